// The filter graph (CLSID_FilterGraph): one GstPipeline holding the filters' elements, with
// IGraphBuilder, IMediaFilter, IMediaControl, IMediaEventEx, IMediaEventSink, IVideoWindow and
// IBasicAudio on one object.
//
// - Filters join through IGstFilter; their output pads drop data while unlinked, so an
//   unconnected output pin never stops the pipeline.
// - Connections are PadLinks: the format is settled when the connection is made.
// - Run/Pause/Stop are pipeline state changes (Stop = NULL, so devices are released).
// - A running graph with a file-writing filter (one answering IFileSinkFilter) that data
//   reaches finishes its files before it stops: end of stream is sent from the sources and
//   the writers get up to kFinishTimeout to write headers and indexes; when it runs out, Stop
//   posts EC_ERRORABORT with VFW_E_TIMEOUT, still stops, and returns VFW_E_TIMEOUT. Such a
//   graph also stops by itself after an error, so a writer that failed (disk full) leaves what
//   it wrote.
// - Bus messages are turned into events by a bus sync handler on the posting thread, so no
//   GLib main loop is needed: EOS -> EC_COMPLETE, error -> EC_ERRORABORT (param1 = HRESULT),
//   "quilldeck-device-lost" -> EC_DEVICE_LOST (param1 = the filter's IUnknown, no reference),
//   which also ends a wait for completion: a lost device delivers nothing more.
// - IVideoWindow and IBasicAudio forward to the first filter in the graph that has them;
//   with none, every call answers E_NOINTERFACE.
#pragma once

#include "platform/media/gst.h"

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/media/graph/event_queue.h"
#include "platform/media/graph/pad_link.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/gst_filter.h"

namespace media {

class FilterGraph final : public ComObject<IGraphBuilder, IMediaFilter, IMediaControl, IMediaEventEx, IMediaEventSink,
                                           IVideoWindow, IBasicAudio> {
public:
    FilterGraph();

    // IFilterGraph / IGraphBuilder
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* pinOut, IPin* pinIn, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;
    HRESULT Connect(IPin* pinOut, IPin* pinIn) override;
    HRESULT Render(IPin* pinOut) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) override;
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;

    // IMediaFilter (Stop and Pause are shared with IMediaControl)
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IDispatch (of the automation interfaces): type information is not offered.
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, void** typeInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID locale, DISPID* dispIds) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, void* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argumentError) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
    HRESULT RenderFile(BSTR fileName) override;
    HRESULT AddSourceFilter(BSTR fileName, IDispatch** filterInfo) override;
    HRESULT get_FilterCollection(IDispatch** collection) override;
    HRESULT get_RegFilterCollection(IDispatch** collection) override;
    HRESULT StopWhenReady() override;

    // IMediaEventEx
    HRESULT GetEventHandle(OAEVENT* event) override;
    HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
    HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) override;
    HRESULT CancelDefaultHandling(LONG eventCode) override;
    HRESULT RestoreDefaultHandling(LONG eventCode) override;
    HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instanceData) override;
    HRESULT SetNotifyFlags(LONG noNotifyFlags) override;
    HRESULT GetNotifyFlags(LONG* noNotifyFlags) override;

    // IMediaEventSink
    HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

    // IVideoWindow, forwarded
    HRESULT put_Caption(BSTR caption) override;
    HRESULT get_Caption(BSTR* caption) override;
    HRESULT put_WindowStyle(LONG windowStyle) override;
    HRESULT get_WindowStyle(LONG* windowStyle) override;
    HRESULT put_WindowStyleEx(LONG windowStyleEx) override;
    HRESULT get_WindowStyleEx(LONG* windowStyleEx) override;
    HRESULT put_AutoShow(LONG autoShow) override;
    HRESULT get_AutoShow(LONG* autoShow) override;
    HRESULT put_WindowState(LONG windowState) override;
    HRESULT get_WindowState(LONG* windowState) override;
    HRESULT put_BackgroundPalette(LONG backgroundPalette) override;
    HRESULT get_BackgroundPalette(LONG* backgroundPalette) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;
    HRESULT put_Left(LONG left) override;
    HRESULT get_Left(LONG* left) override;
    HRESULT put_Width(LONG width) override;
    HRESULT get_Width(LONG* width) override;
    HRESULT put_Top(LONG top) override;
    HRESULT get_Top(LONG* top) override;
    HRESULT put_Height(LONG height) override;
    HRESULT get_Height(LONG* height) override;
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT get_BorderColor(LONG* color) override;
    HRESULT put_BorderColor(LONG color) override;
    HRESULT get_FullScreenMode(LONG* fullScreenMode) override;
    HRESULT put_FullScreenMode(LONG fullScreenMode) override;
    HRESULT SetWindowForeground(LONG focus) override;
    HRESULT NotifyOwnerMessage(OAHWND window, LONG msg, LONG_PTR wParam, LONG_PTR lParam) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT HideCursor(LONG hideCursor) override;
    HRESULT IsCursorHidden(LONG* cursorHidden) override;

    // IBasicAudio, forwarded
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;
    HRESULT put_Balance(LONG balance) override;
    HRESULT get_Balance(LONG* balance) override;

    GstElement* Pipeline() const { return pipeline_; }

private:
    struct Member {
        ComPtr<IBaseFilter> filter;
        GstElement* element;  // the filter's, borrowed
        std::u16string name;
        std::vector<std::pair<GstPad*, gulong>> probes;  // drop-while-unlinked, per output pad
        bool writesFile = false;
    };
    struct Connection {
        ComPtr<IPin> out;
        ComPtr<IPin> in;
        std::unique_ptr<PadLink> link;
    };

    ~FilterGraph() override;

    HRESULT ConnectPins(IPin* pinOut, IPin* pinIn, const AM_MEDIA_TYPE* mediaType, bool allowConverters);
    HRESULT CheckConnectable(IPin* pinOut, IPin* pinIn, IGstPin** gstOut, IGstPin** gstIn);
    bool Contains(IPin* pin);
    bool Stopped() const;
    void DisconnectAll(IBaseFilter* filter);
    void DropMember(Member& member);
    std::u16string UniqueName(std::u16string wanted) const;
    HRESULT RenderWith(IPin* pinOut, int depth);
    HRESULT RenderThroughOverlayMixer(IPin* pinOut, int depth);
    IBaseFilter* FilterOfElement(GstElement* element);
    void OnBusMessage(GstMessage* message);
    static GstBusSyncReply BusSyncHandler(GstBus* bus, GstMessage* message, gpointer self);
    HRESULT ChangeState(GstState state);
    bool Playing() const;
    // Whether a file writer has a connected input, so that stopping has files to finish.
    bool FeedsAFileWriter();
    // Sends end of stream from the sources and waits for it to reach every sink.
    HRESULT FinishStreams();
    // Ends FinishStreams' wait: the stream ended (S_OK) or failed. False when nobody waits.
    bool EndFinishing(HRESULT result);
    template <typename Interface>
    ComPtr<Interface> FirstWith();

    GstElement* pipeline_;
    EventQueue events_;
    std::recursive_mutex mutex_;  // filters and connections; Render calls back into Connect
    std::list<Member> members_;
    std::list<Connection> connections_;
    ComPtr<IReferenceClock> clock_;
    bool noClock_ = false;
    // Elements to filters for the bus handler, which must not wait for mutex_.
    std::mutex indexMutex_;
    std::vector<std::pair<GstElement*, IBaseFilter*>> elementIndex_;
    HRESULT lastError_ = S_OK;
    std::mutex errorMutex_;
    std::atomic<int> fileWriters_{0};  // members that write files
    std::mutex finishMutex_;
    std::condition_variable finished_;
    bool finishing_ = false;
    std::optional<HRESULT> finishResult_;
};

}  // namespace media

#include "platform/media/gst.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "platform/com/bstr.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/filters/renderers.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/system/window.h"

namespace media {

namespace {

class VideoRenderer final : public ComExtend<GstFilterBase, IVideoWindow> {
public:
    VideoRenderer(GstElement* bin, GstElement* sink) : ComExtend(CLSID_VideoRenderer, u"Video Renderer", bin) {
        input_ = AddPin(gst_element_get_static_pad(bin, "Input"), u"Input");
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnEvent, this, nullptr);
        gst_object_unref(pad);
    }
    ~VideoRenderer() override { SysFreeString(caption_); }

    // IDispatch: no type information.
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, void*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    HRESULT put_Caption(BSTR caption) override {
        std::lock_guard lock(mutex_);
        SysFreeString(caption_);
        caption_ = caption ? SysAllocString(caption) : nullptr;
        return S_OK;
    }
    HRESULT get_Caption(BSTR* caption) override {
        if (!caption) return E_POINTER;
        std::lock_guard lock(mutex_);
        *caption = SysAllocString(caption_ ? caption_ : u"");
        return *caption ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT put_WindowStyle(LONG style) override { return Store(&style_, style); }
    HRESULT get_WindowStyle(LONG* style) override { return Load(style_, style); }
    HRESULT put_WindowStyleEx(LONG style) override { return Store(&styleEx_, style); }
    HRESULT get_WindowStyleEx(LONG* style) override { return Load(styleEx_, style); }
    HRESULT put_AutoShow(LONG autoShow) override { return Store(&autoShow_, autoShow ? OATRUE : OAFALSE); }
    HRESULT get_AutoShow(LONG* autoShow) override { return Load(autoShow_, autoShow); }
    HRESULT put_WindowState(LONG state) override {
        if (state == SW_HIDE) return put_Visible(OAFALSE);
        Store(&windowState_, state);
        return put_Visible(OATRUE);
    }
    HRESULT get_WindowState(LONG* state) override { return Load(windowState_, state); }
    HRESULT put_BackgroundPalette(LONG palette) override { return Store(&palette_, palette); }
    HRESULT get_BackgroundPalette(LONG* palette) override { return Load(palette_, palette); }
    HRESULT put_Visible(LONG visible) override {
        HWND clearOn = nullptr;
        {
            std::lock_guard lock(mutex_);
            visible_ = visible ? OATRUE : OAFALSE;
            if (!visible_) clearOn = owner_;
        }
        Clear(clearOn);
        return S_OK;
    }
    HRESULT get_Visible(LONG* visible) override { return Load(visible_, visible); }
    HRESULT put_Left(LONG left) override { return Store(&rect_.left, left, rect_.right - rect_.left + left, &rect_.right); }
    HRESULT get_Left(LONG* left) override { return Load(rect_.left, left); }
    HRESULT put_Width(LONG width) override { return width < 0 ? E_INVALIDARG : Store(&rect_.right, rect_.left + width); }
    HRESULT get_Width(LONG* width) override { return Load(rect_.right - rect_.left, width); }
    HRESULT put_Top(LONG top) override { return Store(&rect_.top, top, rect_.bottom - rect_.top + top, &rect_.bottom); }
    HRESULT get_Top(LONG* top) override { return Load(rect_.top, top); }
    HRESULT put_Height(LONG height) override { return height < 0 ? E_INVALIDARG : Store(&rect_.bottom, rect_.top + height); }
    HRESULT get_Height(LONG* height) override { return Load(rect_.bottom - rect_.top, height); }
    HRESULT put_Owner(OAHWND owner) override {
        if (owner && !IsWindow(reinterpret_cast<HWND>(owner))) return E_INVALIDARG;
        HWND previous;
        {
            std::lock_guard lock(mutex_);
            previous = owner_;
            owner_ = reinterpret_cast<HWND>(owner);
        }
        if (previous != reinterpret_cast<HWND>(owner)) Clear(previous);
        return S_OK;
    }
    HRESULT get_Owner(OAHWND* owner) override {
        if (!owner) return E_POINTER;
        std::lock_guard lock(mutex_);
        *owner = reinterpret_cast<OAHWND>(owner_);
        return S_OK;
    }
    HRESULT put_MessageDrain(OAHWND drain) override { return Store(&drain_, drain); }
    HRESULT get_MessageDrain(OAHWND* drain) override { return Load(drain_, drain); }
    HRESULT get_BorderColor(LONG* color) override { return Load(border_, color); }
    HRESULT put_BorderColor(LONG color) override { return Store(&border_, color); }
    HRESULT get_FullScreenMode(LONG* mode) override { return Load(fullScreen_, mode); }
    HRESULT put_FullScreenMode(LONG mode) override { return Store(&fullScreen_, mode ? OATRUE : OAFALSE); }
    HRESULT SetWindowForeground(LONG) override { return S_OK; }
    // Input on the video goes to the message drain, which is the owner's business here.
    HRESULT NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) override { return S_OK; }
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override {
        if (width < 0 || height < 0) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        rect_ = RECT{left, top, left + width, top + height};
        return S_OK;
    }
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override {
        if (!left || !top || !width || !height) return E_POINTER;
        std::lock_guard lock(mutex_);
        *left = rect_.left;
        *top = rect_.top;
        *width = rect_.right - rect_.left;
        *height = rect_.bottom - rect_.top;
        return S_OK;
    }
    HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override { return NativeSize(width, height); }
    HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override { return NativeSize(width, height); }
    HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override {
        return GetWindowPosition(left, top, width, height);
    }
    HRESULT HideCursor(LONG hide) override { return Store(&cursorHidden_, hide ? OATRUE : OAFALSE); }
    HRESULT IsCursorHidden(LONG* hidden) override { return Load(cursorHidden_, hidden); }

private:
    template <typename T>
    HRESULT Store(T* field, T value) {
        std::lock_guard lock(mutex_);
        *field = value;
        return S_OK;
    }
    HRESULT Store(LONG* field, LONG value, LONG other, LONG* otherField) {
        std::lock_guard lock(mutex_);
        *field = value;
        *otherField = other;
        return S_OK;
    }
    template <typename T>
    HRESULT Load(const T& field, T* out) {
        if (!out) return E_POINTER;
        std::lock_guard lock(mutex_);
        *out = field;
        return S_OK;
    }

    HRESULT NativeSize(LONG* width, LONG* height) {
        if (!width || !height) return E_POINTER;
        AM_MEDIA_TYPE type{};
        if (FAILED(input_->ConnectionMediaType(&type))) return VFW_E_NOT_CONNECTED;
        HRESULT hr = S_FALSE;
        if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
            const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
            *width = info->bmiHeader.biWidth;
            *height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
            hr = S_OK;
        }
        FreeMediaType(type);
        return hr;
    }

    static void Clear(HWND window) {
        if (window) WithVideoSurface(window, [](VideoSurface& surface) { surface.ClearVideo(); });
    }

    static GstPadProbeReturn OnEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* renderer = static_cast<VideoRenderer*>(self);
        if (GST_EVENT_TYPE(gst_pad_probe_info_get_event(info)) == GST_EVENT_STREAM_START) {
            std::lock_guard lock(renderer->mutex_);
            if (renderer->autoShow_) renderer->visible_ = OATRUE;
        }
        return GST_PAD_PROBE_OK;
    }

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_EOS;
        static_cast<VideoRenderer*>(self)->Draw(sample);
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    void Draw(GstSample* sample) {
        HWND owner;
        VideoPlacement placement{};
        {
            std::lock_guard lock(mutex_);
            if (!owner_ || !visible_) return;
            owner = owner_;
            placement.target = rect_;
            placement.fullScreen = fullScreen_ != OAFALSE;
        }
        GstVideoInfo info;
        if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return;
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return;
        const VideoFrame picture{static_cast<const BYTE*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                 GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                                 GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)};
        if (placement.target.right <= placement.target.left || placement.target.bottom <= placement.target.top) {
            GetClientRect(owner, &placement.target);
        }
        WithVideoSurface(owner, [&](VideoSurface& surface) { surface.PresentFrame(picture, placement); });
        gst_video_frame_unmap(&frame);
    }

    CBasePin* input_;
    std::mutex mutex_;
    BSTR caption_ = nullptr;
    LONG style_ = 0;
    LONG styleEx_ = 0;
    LONG autoShow_ = OATRUE;
    LONG windowState_ = SW_SHOWNORMAL;
    LONG palette_ = OAFALSE;
    LONG visible_ = OAFALSE;
    RECT rect_{0, 0, 0, 0};
    HWND owner_ = nullptr;
    OAHWND drain_ = 0;
    LONG border_ = 0;
    LONG fullScreen_ = OAFALSE;
    LONG cursorHidden_ = OAFALSE;
};

}  // namespace

HRESULT CreateVideoRenderer(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    GstElement* convert = MakeElement("videoconvert", nullptr);
    GstElement* format = MakeElement("capsfilter", nullptr);
    GstElement* sink = MakeElement("appsink", nullptr);
    if (format) SetFilterCaps(format, gst_caps_from_string("video/x-raw, format=BGRx"));
    if (sink) g_object_set(sink, "sync", TRUE, "max-buffers", 1u, "drop", TRUE, "async", FALSE, nullptr);
    GstElement* bin = MakeChainBin("Input", nullptr, {convert, format, sink});
    if (!bin) return E_FAIL;
    return CreateComObject<VideoRenderer>(riid, object, bin, sink);
}

}  // namespace media

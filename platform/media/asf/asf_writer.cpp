#include "platform/media/asf/asf_writer.h"

#include "platform/media/gst.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/asf/asf_stream_chains.h"
#include "platform/media/asf/wm_profile.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/windows_media.h"

namespace media {

namespace {

GstElement* Child(GstElement* bin, const char* name) {
    GstElement* child = gst_bin_get_by_name(GST_BIN(bin), name);
    if (child) gst_object_unref(child);  // the bin keeps it alive
    return child;
}

// The writer's bin: an entry converter per input (behind the pins' pads), the multiplexer and
// the file. The chains between the entries and the multiplexer exist for connected inputs only,
// so the multiplexer never waits for an input nobody feeds.
GstElement* BuildWriterBin() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* mux = MakeElement("asfmux", "mux");
    GstElement* file = MakeElement("filesink", "file");
    if (!AddElements(GST_BIN(bin), {MakeElement("audioconvert", "audio-in"), MakeElement("videoconvert", "video-in"), mux,
                                    file}) ||
        !gst_element_link(mux, file)) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    // Written as fast as it comes, never paced by the clock.
    g_object_set(file, "sync", FALSE, "async", FALSE, nullptr);
    return bin;
}

// The multiplexer writes buffer times as they come, but encoders give their output a segment of
// its own (video encoders start it far ahead, to leave room for decode times before the
// first picture), so a file written from raw times has its streams hours apart and players
// find no picture to show. Each input therefore reaches the multiplexer in running time, in a
// segment that starts at zero.
struct RunningTimeState {
    GstSegment segment;
};

GstClockTime RunningTime(const GstSegment& segment, GstClockTime time) {
    if (!GST_CLOCK_TIME_IS_VALID(time)) return time;
    guint64 running = 0;
    return gst_segment_to_running_time_full(&segment, GST_FORMAT_TIME, time, &running) > 0 ? running : 0;
}

GstPadProbeReturn ToRunningTime(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* state = static_cast<RunningTimeState*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = gst_buffer_make_writable(gst_pad_probe_info_get_buffer(info));
        GST_BUFFER_PTS(buffer) = RunningTime(state->segment, GST_BUFFER_PTS(buffer));
        GST_BUFFER_DTS(buffer) = RunningTime(state->segment, GST_BUFFER_DTS(buffer));
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = gst_pad_probe_info_get_event(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        gst_event_copy_segment(event, &state->segment);
        GstSegment zero;
        gst_segment_init(&zero, GST_FORMAT_TIME);
        gst_event_unref(event);
        GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_segment(&zero);
    }
    return GST_PAD_PROBE_OK;
}

void SendInRunningTime(GstPad* muxPad) {
    auto* state = new RunningTimeState;
    gst_segment_init(&state->segment, GST_FORMAT_TIME);
    gst_pad_add_probe(muxPad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      ToRunningTime, state, [](gpointer p) { delete static_cast<RunningTimeState*>(p); });
}

// Elements of one input's chain in the bin, and the multiplexer pad they feed.
struct Chain {
    std::vector<GstElement*> elements;  // owned by the bin
    GstPad* muxPad = nullptr;           // a reference of ours
};

class AsfWriter;

// The writer's advanced settings, handed out by IServiceProvider::QueryService.
class WriterAdvanced final : public ComObject<IWMWriterAdvanced2> {
public:
    explicit WriterAdvanced(AsfWriter* writer);

    HRESULT GetSinkCount(DWORD*) override { return E_NOTIMPL; }
    HRESULT GetSink(DWORD, IWMWriterSink**) override { return E_NOTIMPL; }
    HRESULT AddSink(IWMWriterSink*) override { return E_NOTIMPL; }
    HRESULT RemoveSink(IWMWriterSink*) override { return E_NOTIMPL; }
    HRESULT WriteStreamSample(WORD, QWORD, DWORD, QWORD, DWORD, INSSBuffer*) override { return E_NOTIMPL; }
    HRESULT SetLiveSource(BOOL) override { return E_NOTIMPL; }
    HRESULT IsRealTime(BOOL*) override { return E_NOTIMPL; }
    HRESULT GetWriterTime(QWORD*) override { return E_NOTIMPL; }
    HRESULT GetStatistics(WORD, WM_WRITER_STATISTICS*) override { return E_NOTIMPL; }
    HRESULT SetSyncTolerance(DWORD) override { return E_NOTIMPL; }
    HRESULT GetSyncTolerance(DWORD*) override { return E_NOTIMPL; }

    HRESULT GetInputSetting(DWORD input, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) override;
    HRESULT SetInputSetting(DWORD input, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value, WORD length) override;

private:
    ComPtr<IBaseFilter> keepAlive_;
    AsfWriter* writer_;
};

class AsfWriter final : public ComExtend<GstFilterBase, IFileSinkFilter2, IConfigAsfWriter, IServiceProvider> {
public:
    explicit AsfWriter(GstElement* bin) : ComExtend(CLSID_WMAsfWriter, u"WM ASF Writer", bin) {
        audioPin_ = AddPin(AddGhostPad(bin, "audio-in", "sink", "Audio Input 01"), u"Audio Input 01");
        videoPin_ = AddPin(AddGhostPad(bin, "video-in", "sink", "Video Input 01"), u"Video Input 01");
        profileSettings_ = SystemWmProfiles().front();
        CreateWmProfile(profileSettings_, WMT_VER_8_0, profile_.ReleaseAndGetAddressOf());
    }

    ~AsfWriter() override {
        for (Chain* chain : {&audioChain_, &videoChain_}) {
            RemoveElements(*chain);
            ReleaseMuxPad(*chain);
        }
    }

    // Only the inputs the profile has are pins: audio first, then video.
    int GetPinCount() override { return static_cast<int>(VisiblePins().size()); }
    CBasePin* GetPin(int index) override {
        const auto pins = VisiblePins();
        return index >= 0 && index < static_cast<int>(pins.size()) ? pins[static_cast<std::size_t>(index)] : nullptr;
    }

    void OnConnectionChanged(CBasePin&) override {
        std::lock_guard lock(m_Lock);
        RebuildChains();
    }

    // ---- IFileSinkFilter2 -------------------------------------------------------------------

    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*) override {
        if (!fileName) return E_POINTER;
        if (WideView(fileName).empty()) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        fileName_ = std::u16string(WideView(fileName));
        g_object_set(Child(Element(), "file"), "location", WideToUtf8(fileName_).c_str(), nullptr);
        return S_OK;
    }

    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) override {
        if (!fileName) return E_POINTER;
        *fileName = nullptr;
        if (mediaType) *mediaType = AM_MEDIA_TYPE{};
        std::lock_guard lock(m_Lock);
        if (fileName_.empty()) return E_FAIL;
        *fileName = CoTaskMemDupWide(fileName_);
        return *fileName ? S_OK : E_OUTOFMEMORY;
    }

    // The file is always written afresh: an ASF file laid over the tail of an older, longer
    // file would not be a file players read, whichever mode is asked for.
    HRESULT SetMode(DWORD flags) override {
        if (flags & ~AM_FILE_OVERWRITE) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        mode_ = flags;
        return S_OK;
    }

    HRESULT GetMode(DWORD* flags) override {
        if (!flags) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *flags = mode_;
        return S_OK;
    }

    // ---- IConfigAsfWriter -------------------------------------------------------------------

    // Profiles are objects from the profile manager; the older identifiers name nothing here.
    HRESULT ConfigureFilterUsingProfileId(DWORD) override { return E_NOTIMPL; }
    HRESULT GetCurrentProfileId(DWORD*) override { return E_NOTIMPL; }
    HRESULT ConfigureFilterUsingProfileGuid(REFGUID) override { return E_NOTIMPL; }
    HRESULT GetCurrentProfileGuid(GUID*) override { return E_NOTIMPL; }

    HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) override {
        if (!profile) return E_POINTER;
        WmProfileSettings settings;
        if (!ReadWmProfileSettings(profile, &settings) || !IsUsable(settings)) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        // An input the new profile does not have must not be left connected.
        if ((!settings.audio && audioPin_->IsConnected()) || (!settings.video && videoPin_->IsConnected()))
            return VFW_E_ALREADY_CONNECTED;
        profileSettings_ = std::move(settings);
        profile_ = ComPtr<IWMProfile>(profile);
        RebuildChains();
        return S_OK;
    }

    HRESULT GetCurrentProfile(IWMProfile** profile) override {
        if (!profile) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *profile = profile_.Get();
        if (*profile) (*profile)->AddRef();
        return *profile ? S_OK : E_FAIL;
    }

    // The multiplexer indexes every file it can seek back into; the mode is kept for callers.
    HRESULT SetIndexMode(BOOL indexFile) override {
        std::lock_guard lock(m_Lock);
        indexMode_ = indexFile ? TRUE : FALSE;
        return S_OK;
    }

    HRESULT GetIndexMode(BOOL* indexFile) override {
        if (!indexFile) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *indexFile = indexMode_;
        return S_OK;
    }

    // ---- IServiceProvider ---------------------------------------------------------------------

    HRESULT QueryService(REFGUID service, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (service != IID_IWMWriterAdvanced2 && service != IID_IWMWriterAdvanced) return E_NOINTERFACE;
        return CreateComObject<WriterAdvanced>(riid, object, this);
    }

    // ---- the video input's settings, for WriterAdvanced -----------------------------------------

    // The number of the video input, or -1 when the profile has no video.
    long VideoInputNumber() {
        std::lock_guard lock(m_Lock);
        if (!profileSettings_.video) return -1;
        return profileSettings_.audio ? 1 : 0;
    }

    HRESULT SetDeinterlaceMode(DWORD mode) {
        if (mode > WM_DM_DEINTERLACE_VERTICALHALFSIZEDOUBLERATE) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        deinterlaceMode_ = mode;
        RebuildChains();
        return S_OK;
    }

    HRESULT SetInverseTelecinePattern(DWORD pattern) {
        if (pattern > WM_DM_IT_LAST_PATTERN) return E_INVALIDARG;
        static std::once_flag told;
        std::call_once(told, [] {
            g_message("ASF writer: the inverse telecine finds the pulldown pattern in the picture itself; "
                      "the initial pattern is kept but not used");
        });
        std::lock_guard lock(m_Lock);
        telecinePattern_ = pattern;
        return S_OK;
    }

    DWORD DeinterlaceMode() {
        std::lock_guard lock(m_Lock);
        return deinterlaceMode_;
    }

    DWORD InverseTelecinePattern() {
        std::lock_guard lock(m_Lock);
        return telecinePattern_;
    }

private:
    std::vector<CBasePin*> VisiblePins() {
        std::lock_guard lock(m_Lock);
        std::vector<CBasePin*> pins;
        if (profileSettings_.audio && audioPin_) pins.push_back(audioPin_);
        if (profileSettings_.video && videoPin_) pins.push_back(videoPin_);
        return pins;
    }

    // Makes the chains of the connected inputs anew for the profile and the input settings of
    // now. An input keeps its multiplexer pad while it stays connected: the multiplexer waits
    // for data on every pad it ever handed out, so pads are only given back on disconnection.
    // Called while stopped.
    void RebuildChains() {
        const bool audio = profileSettings_.audio && audioPin_ && audioPin_->IsConnected();
        const bool video = profileSettings_.video && videoPin_ && videoPin_->IsConnected();
        Rebuild(audioChain_, audio, "audio-in", audio ? MakeAudioEncodeElements(*profileSettings_.audio) : std::vector<GstElement*>{},
                "audio_%u");
        std::vector<GstElement*> videoElements;
        if (video) {
            videoElements = MakeDeinterlaceElements(deinterlaceMode_);
            for (GstElement* e : MakeVideoEncodeElements(*profileSettings_.video)) videoElements.push_back(e);
        }
        Rebuild(videoChain_, video, "video-in", std::move(videoElements), "video_%u");
    }

    // Links entry -> elements -> the input's multiplexer pad. A chain that cannot be made
    // leaves the entry unlinked, so running fails with the reason instead of writing a file
    // without the stream.
    void Rebuild(Chain& chain, bool connected, const char* entryName, std::vector<GstElement*> elements,
                 const char* muxTemplate) {
        RemoveElements(chain);
        if (!connected) {
            ReleaseMuxPad(chain);
            return;
        }
        if (elements.empty()) return;
        GstBin* bin = GST_BIN(Element());
        for (GstElement* e : elements) {
            gst_bin_add(bin, e);
            chain.elements.push_back(e);
        }
        if (!chain.muxPad) {
            chain.muxPad = gst_element_request_pad_simple(Child(Element(), "mux"), muxTemplate);
            if (chain.muxPad) SendInRunningTime(chain.muxPad);
        }
        bool linked = chain.muxPad != nullptr && gst_element_link(Child(Element(), entryName), elements.front());
        for (std::size_t i = 1; linked && i < elements.size(); ++i) linked = gst_element_link(elements[i - 1], elements[i]);
        if (linked) {
            GstPad* last = gst_element_get_static_pad(elements.back(), "src");
            linked = gst_pad_link(last, chain.muxPad) == GST_PAD_LINK_OK;
            gst_object_unref(last);
        }
        if (!linked) {
            g_warning("ASF writer: the chain to the multiplexer's %s input could not be linked", muxTemplate);
            RemoveElements(chain);
            return;
        }
        for (GstElement* e : elements) gst_element_sync_state_with_parent(e);
    }

    void RemoveElements(Chain& chain) {
        for (GstElement* e : chain.elements) {
            gst_element_set_state(e, GST_STATE_NULL);
            gst_bin_remove(GST_BIN(Element()), e);
        }
        chain.elements.clear();
    }

    void ReleaseMuxPad(Chain& chain) {
        if (!chain.muxPad) return;
        gst_element_release_request_pad(Child(Element(), "mux"), chain.muxPad);
        gst_object_unref(chain.muxPad);
        chain.muxPad = nullptr;
    }

    CBasePin* audioPin_ = nullptr;
    CBasePin* videoPin_ = nullptr;
    Chain audioChain_;
    Chain videoChain_;
    WmProfileSettings profileSettings_;
    ComPtr<IWMProfile> profile_;
    std::u16string fileName_;
    DWORD mode_ = 0;
    BOOL indexMode_ = TRUE;
    DWORD deinterlaceMode_ = WM_DM_NOTINTERLACED;
    DWORD telecinePattern_ = WM_DM_IT_DISABLE_COHERENT_MODE;
};

WriterAdvanced::WriterAdvanced(AsfWriter* writer) : keepAlive_(writer), writer_(writer) {
    TrackWith(&PlatformObjectCounter());
}

bool ReadDword(WMT_ATTR_DATATYPE type, const BYTE* value, WORD length, DWORD* out) {
    if (type != WMT_TYPE_DWORD || length != sizeof(DWORD)) return false;
    std::memcpy(out, value, sizeof(DWORD));
    return true;
}

HRESULT WriterAdvanced::SetInputSetting(DWORD input, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                        WORD length) {
    if (!name || !value) return E_POINTER;
    const std::u16string_view setting = WideView(name);
    const bool deinterlace = setting == g_wszDeinterlaceMode;
    const bool pattern = setting == g_wszInitialPatternForInverseTelecine;
    if (!deinterlace && !pattern) return E_INVALIDARG;
    if (static_cast<long>(input) != writer_->VideoInputNumber()) return E_INVALIDARG;  // video settings only
    DWORD number = 0;
    if (!ReadDword(type, value, length, &number)) return E_INVALIDARG;
    return deinterlace ? writer_->SetDeinterlaceMode(number) : writer_->SetInverseTelecinePattern(number);
}

HRESULT WriterAdvanced::GetInputSetting(DWORD input, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                                        WORD* length) {
    if (!name || !type || !length) return E_POINTER;
    const std::u16string_view setting = WideView(name);
    const bool deinterlace = setting == g_wszDeinterlaceMode;
    if (!deinterlace && setting != g_wszInitialPatternForInverseTelecine) return E_INVALIDARG;
    if (static_cast<long>(input) != writer_->VideoInputNumber()) return E_INVALIDARG;
    *type = WMT_TYPE_DWORD;
    if (!value) {
        *length = sizeof(DWORD);
        return S_OK;
    }
    if (*length < sizeof(DWORD)) {
        *length = sizeof(DWORD);
        return ASF_E_BUFFERTOOSMALL;
    }
    const DWORD number = deinterlace ? writer_->DeinterlaceMode() : writer_->InverseTelecinePattern();
    std::memcpy(value, &number, sizeof number);
    *length = sizeof(DWORD);
    return S_OK;
}

}  // namespace

HRESULT CreateAsfWriter(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    GstElement* bin = BuildWriterBin();
    if (!bin) return E_FAIL;
    return CreateComObject<AsfWriter>(riid, object, bin);
}

}  // namespace media

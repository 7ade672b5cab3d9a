#include "platform/media/filters/avi_mux.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/com/wide_text.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/file_writing.h"

namespace media {

namespace {

// How long an input may run ahead of the others at least, whatever the interleaving asks.
constexpr REFERENCE_TIME kMinimumInputWait = 20'000'000;  // 2 s in 100 ns units
constexpr REFERENCE_TIME kDefaultInterleave = 10'000'000;  // 1 s

// What avimux's request pads take, audio and video together: what any input pin accepts until
// a connection decides which kind of stream it carries.
GstCaps* MuxInputCaps(GstElement* mux) {
    GstCaps* caps = gst_caps_new_empty();
    for (const char* name : {"video_%u", "audio_%u"}) {
        GstPadTemplate* templ = gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(mux), name);
        if (templ) caps = gst_caps_merge(caps, gst_pad_template_get_caps(templ));
    }
    return caps;
}

class AviMux final : public ComExtend<GstFilterBase, IConfigAviMux, IConfigInterleaving> {
public:
    AviMux(GstElement* bin, GstElement* mux) : ComExtend(CLSID_AviDest, u"AVI Mux", bin), mux_(mux) {
        // Files pass 1 GiB as OpenDML; without it avimux would start a second file in the same stream.
        g_object_set(mux_, "bigfile", TRUE, nullptr);
        AddPin(AddGhostPad(bin, mux_, "src", "AVI Out"), u"AVI Out");
        AddInput();
    }

    // ---- IConfigAviMux ----
    HRESULT SetMasterStream(LONG stream) override {
        if (stream < -1) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        masterStream_ = stream;
        return S_OK;
    }
    HRESULT GetMasterStream(LONG* stream) override {
        if (!stream) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *stream = masterStream_;
        return S_OK;
    }
    HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) override {
        std::lock_guard lock(m_Lock);
        compatibilityIndex_ = oldIndex != FALSE;
        return S_OK;
    }
    HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) override {
        if (!oldIndex) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *oldIndex = compatibilityIndex_ ? TRUE : FALSE;
        return S_OK;
    }

    // ---- IConfigInterleaving ----
    HRESULT put_Mode(InterleavingMode mode) override {
        if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        mode_ = mode;
        return S_OK;
    }
    HRESULT get_Mode(InterleavingMode* mode) override {
        if (!mode) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *mode = mode_;
        return S_OK;
    }
    HRESULT put_Interleaving(const REFERENCE_TIME* interleave, const REFERENCE_TIME* preroll) override {
        if (!interleave || !preroll) return E_POINTER;
        if (*interleave <= 0 || *preroll < 0) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        interleave_ = *interleave;
        preroll_ = *preroll;
        for (const Input& input : inputs_) ApplyWait(input.queue);
        return S_OK;
    }
    HRESULT get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) override {
        if (!interleave || !preroll) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *interleave = interleave_;
        *preroll = preroll_;
        return S_OK;
    }

    // A connected input gets its avimux pad (video or audio by what it carries); a disconnected
    // one gives it back. There is always one free input.
    void OnConnectionChanged(CBasePin& pin) override {
        if (pin.Direction() != PINDIR_INPUT) return;
        std::lock_guard lock(m_Lock);
        auto input = std::find_if(inputs_.begin(), inputs_.end(), [&](const Input& i) { return i.pin == &pin; });
        if (input == inputs_.end()) return;
        AM_MEDIA_TYPE type{};
        const bool connected = pin.CopyConnectionType(&type) == S_OK && pin.IsConnected();
        const bool audio = type.majortype == MEDIATYPE_Audio;
        FreeMediaType(type);
        if (connected && !input->muxPad) {
            LinkToMux(*input, audio);
        } else if (!connected && input->muxPad) {
            UnlinkFromMux(*input);
        }
        const bool hasFree = std::any_of(inputs_.begin(), inputs_.end(), [](const Input& i) { return !i.muxPad; });
        if (!hasFree) AddInput();
    }

    ~AviMux() override {
        for (Input& input : inputs_)
            if (input.muxPad) UnlinkFromMux(input);
    }

private:
    struct Input {
        CBasePin* pin;
        GstElement* accept;  // capsfilter: what avimux takes, owned by the bin
        GstElement* queue;
        GstPad* muxPad = nullptr;  // avimux's request pad while connected
    };

    void AddInput() {
        GstElement* accept = gst_element_factory_make("capsfilter", nullptr);
        GstElement* queue = gst_element_factory_make("queue", nullptr);
        if (!accept || !queue || !AddElements(GST_BIN(Element()), {accept, queue})) return;
        GstCaps* caps = MuxInputCaps(mux_);
        g_object_set(accept, "caps", caps, nullptr);
        gst_caps_unref(caps);
        g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
        ApplyWait(queue);
        gst_element_link(accept, queue);
        char name[16];
        std::snprintf(name, sizeof name, "Input %02zu", inputs_.size() + 1);
        CBasePin* pin = AddPin(AddGhostPad(Element(), accept, "sink", name), Utf8ToWide(name));
        gst_element_sync_state_with_parent(accept);
        gst_element_sync_state_with_parent(queue);
        if (pin) inputs_.push_back(Input{pin, accept, queue});
    }

    void LinkToMux(Input& input, bool audio) {
        input.muxPad = gst_element_request_pad_simple(mux_, audio ? "audio_%u" : "video_%u");
        if (!input.muxPad) return;
        GstPad* queueSrc = gst_element_get_static_pad(input.queue, "src");
        gst_pad_link(queueSrc, input.muxPad);
        gst_object_unref(queueSrc);
    }

    void UnlinkFromMux(Input& input) {
        GstPad* queueSrc = gst_element_get_static_pad(input.queue, "src");
        gst_pad_unlink(queueSrc, input.muxPad);
        gst_object_unref(queueSrc);
        gst_element_release_request_pad(mux_, input.muxPad);
        gst_object_unref(input.muxPad);
        input.muxPad = nullptr;
    }

    // The longest an input waits for the others: the interleave period with the audio preroll,
    // never less than kMinimumInputWait.
    void ApplyWait(GstElement* queue) const {
        const REFERENCE_TIME wait = std::max(kMinimumInputWait, interleave_ + preroll_);
        g_object_set(queue, "max-size-time", static_cast<guint64>(wait) * 100, nullptr);
    }

    GstElement* mux_;  // owned by the bin
    std::vector<Input> inputs_;
    LONG masterStream_ = -1;
    bool compatibilityIndex_ = true;
    InterleavingMode mode_ = INTERLEAVE_NONE;
    REFERENCE_TIME interleave_ = kDefaultInterleave;
    REFERENCE_TIME preroll_ = 0;
};

}  // namespace

HRESULT CreateAviMux(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* mux = MakeElement("avimux", nullptr);
    if (!AddElements(GST_BIN(bin), {mux})) {
        gst_object_unref(gst_object_ref_sink(bin));
        return E_FAIL;
    }
    return CreateComObject<AviMux>(riid, object, bin, mux);
}

}  // namespace media

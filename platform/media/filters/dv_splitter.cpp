#include "platform/media/filters/dv_splitter.h"

#include <atomic>

#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/dv_splitter.h"
#include "platform/media/interfaces/clsids.h"

namespace media {

namespace {

constexpr char kVideoCaps[] = "video/x-dv, systemstream=(boolean)false";
constexpr char kAudioCaps[] = "audio/x-raw, format=S16LE, layout=interleaved, rate=48000, channels=2";

GstElement* Child(GstElement* bin, const char* name) {
    GstElement* child = gst_bin_get_by_name(GST_BIN(bin), name);
    gst_object_unref(child);  // the bin keeps it
    return child;
}

void OnDemuxPad(GstElement*, GstPad* pad, gpointer bin) {
    const char* branch = g_str_has_prefix(GST_PAD_NAME(pad), "video") ? "video-queue" : "audio-queue";
    GstPad* sink = gst_element_get_static_pad(Child(GST_ELEMENT(bin), branch), "sink");
    if (!gst_pad_is_linked(sink)) gst_pad_link(pad, sink);
    gst_object_unref(sink);
}

GstElement* BuildSplitterBin() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* demux = MakeElement("dvdemux", "demux");
    GstElement* videoQueue = MakeElement("queue", "video-queue");
    GstElement* videoCaps = MakeElement("capsfilter", "video-caps");
    GstElement* audioQueue = MakeElement("queue", "audio-queue");
    GstElement* convert = MakeElement("audioconvert", nullptr);
    GstElement* resample = MakeElement("audioresample", nullptr);
    GstElement* audioCaps = MakeElement("capsfilter", "audio-caps");
    if (!AddElements(GST_BIN(bin), {demux, videoQueue, videoCaps, audioQueue, convert, resample, audioCaps}) ||
        !gst_element_link(videoQueue, videoCaps) || !gst_element_link_many(audioQueue, convert, resample, audioCaps, nullptr)) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    SetFilterCaps(videoCaps, gst_caps_from_string(kVideoCaps));
    SetFilterCaps(audioCaps, gst_caps_from_string(kAudioCaps));
    g_signal_connect(demux, "pad-added", G_CALLBACK(OnDemuxPad), bin);
    return bin;
}

class DVSplitter final : public ComExtend<GstFilterBase, IDVSplitter> {
public:
    explicit DVSplitter(GstElement* bin) : ComExtend(CLSID_DVSplitter, u"DV Splitter", bin) {
        input_ = AddPin(AddGhostPad(bin, "demux", "sink", "Input"), u"Input");
        AddPin(AddGhostPad(bin, "video-caps", "src", "DVVidOut0"), u"DVVidOut0");
        AddPin(AddGhostPad(bin, "audio-caps", "src", "AudOut00"), u"AudOut00");
        GstPad* videoIn = gst_element_get_static_pad(Child(bin, "video-caps"), "sink");
        gst_pad_add_probe(videoIn, GST_PAD_PROBE_TYPE_BUFFER, DropAlternate, this, nullptr);
        gst_object_unref(videoIn);
    }

    HRESULT DiscardAlternateVideoFrames(int discard) override {
        discard_ = discard != 0;
        return S_OK;
    }

    // The video output announces the size and rate of the DV stream connected to the input.
    void OnConnectionChanged(CBasePin& pin) override {
        if (&pin != input_) return;
        GstCaps* caps = gst_caps_from_string(kVideoCaps);
        if (pin.IsConnected()) {
            GstCaps* peer = gst_pad_peer_query_caps(pin.GetPad(), nullptr);
            if (peer && gst_caps_is_fixed(peer)) {
                const GstStructure* s = gst_caps_get_structure(peer, 0);
                GstStructure* out = gst_caps_get_structure(caps, 0);
                for (const char* field : {"width", "height", "framerate", "pixel-aspect-ratio"}) {
                    if (const GValue* v = gst_structure_get_value(s, field)) gst_structure_set_value(out, field, v);
                }
            }
            if (peer) gst_caps_unref(peer);
        }
        SetFilterCaps(Child(GetElement(), "video-caps"), caps);
    }

private:
    static GstPadProbeReturn DropAlternate(GstPad*, GstPadProbeInfo*, gpointer self) {
        auto* splitter = static_cast<DVSplitter*>(self);
        const bool odd = (splitter->count_.fetch_add(1) & 1) != 0;
        return splitter->discard_ && odd ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
    }

    CBasePin* input_;
    std::atomic<bool> discard_{false};
    std::atomic<unsigned> count_{0};
};

}  // namespace

HRESULT CreateDVSplitter(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    GstElement* bin = BuildSplitterBin();
    if (!bin) return E_FAIL;
    return CreateComObject<DVSplitter>(riid, object, bin);
}

}  // namespace media

#include "tests/engine/recording_mux_fake.h"

#include "platform/com/wide_text.h"
#include "platform/media/gst_helpers.h"

namespace {

// Two inputs that take any stream and never wait for the clock.
GstElement* DiscardingInputs() {
    GstElement* bin = gst_bin_new(nullptr);
    for (const char* name : {"video", "audio"}) {
        GstElement* sink = gst_element_factory_make("fakesink", name);
        g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
        gst_bin_add(GST_BIN(bin), sink);
    }
    return bin;
}

}  // namespace

RecordingMuxFake::RecordingMuxFake() : ComExtend(CLSID_TalvinAVIMux, u"Splitting multiplexer stand-in", DiscardingInputs()) {
    AddPin(media::AddGhostPad(Element(), "video", "sink", "Video"), u"Video");
    AddPin(media::AddGhostPad(Element(), "audio", "sink", "Audio"), u"Audio");
    GstElement* video = gst_bin_get_by_name(GST_BIN(Element()), "video");
    g_object_set(video, "signal-handoffs", TRUE, nullptr);
    g_signal_connect(video, "handoff", G_CALLBACK(&RecordingMuxFake::OnVideoBuffer), this);
    gst_object_unref(video);
}

void RecordingMuxFake::OnVideoBuffer(GstElement*, GstBuffer* buffer, GstPad*, gpointer self) {
    auto* fake = static_cast<RecordingMuxFake*>(self);
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return;
    std::lock_guard lock(fake->stampsLock_);
    fake->videoStamps_.push_back(static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)));
}

void RecordingMuxFake::NeverFinish() {
    for (const char* name : {"video", "audio"}) {
        GstElement* sink = gst_bin_get_by_name(GST_BIN(Element()), name);
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
            [](GstPad*, GstPadProbeInfo* info, gpointer) {
                return GST_EVENT_TYPE(gst_pad_probe_info_get_event(info)) == GST_EVENT_EOS ? GST_PAD_PROBE_DROP
                                                                                           : GST_PAD_PROBE_OK;
            },
            nullptr, nullptr);
        gst_object_unref(pad);
        gst_object_unref(sink);
    }
}

std::vector<std::int64_t> RecordingMuxFake::VideoStamps() {
    std::lock_guard lock(stampsLock_);
    return videoStamps_;
}

HRESULT RecordingMuxFake::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) {
    if (!name) return E_POINTER;
    fileName = std::u16string(WideView(name));
    fileNameTypeGiven = type != nullptr;
    return S_OK;
}

#include "platform/media/virtual_card/dv_source.h"

#include "platform/media/gst.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/base/gstadapter.h>

#include <deque>
#include <mutex>

#include "platform/media/device_lost.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/virtual_card/gate_probe.h"

namespace media {

// The DV muxer writes its stream in arbitrary pieces without time stamps. The framer cuts
// it back into whole frames and gives each the capture time of its video frame.
struct VirtualDvSource::Framer {
    std::mutex mutex;
    std::deque<GstClockTime> videoTimes;  // PTS of encoded frames not yet out of the muxer
    GstAdapter* adapter = gst_adapter_new();
    GstAppSrc* out = nullptr;  // owned by the bin
    gsize frameBytes = 0;
    GstClockTime frameDuration = 0;
    GstClockTime lastPts = GST_CLOCK_TIME_NONE;
    GstSegment videoSegment;  // streaming thread of the encoder only

    Framer() { gst_segment_init(&videoSegment, GST_FORMAT_TIME); }

    ~Framer() { g_object_unref(adapter); }

    void NoteVideoFrame(GstClockTime pts) {
        std::lock_guard lock(mutex);
        videoTimes.push_back(pts);
    }

    GstClockTime NextPtsLocked() {
        if (!videoTimes.empty()) {
            lastPts = videoTimes.front();
            videoTimes.pop_front();
        } else {
            lastPts = GST_CLOCK_TIME_IS_VALID(lastPts) ? lastPts + frameDuration : 0;
        }
        return lastPts;
    }

    GstFlowReturn Push(GstBuffer* piece) {
        // appsrc only queues, so holding the lock while pushing never blocks for long.
        std::lock_guard lock(mutex);
        gst_adapter_push(adapter, piece);
        while (gst_adapter_available(adapter) >= frameBytes) {
            GstBuffer* frame = gst_adapter_take_buffer(adapter, frameBytes);
            GST_BUFFER_PTS(frame) = NextPtsLocked();
            GST_BUFFER_DURATION(frame) = frameDuration;
            const GstFlowReturn ret = gst_app_src_push_buffer(out, frame);
            if (ret != GST_FLOW_OK) return ret;
        }
        return GST_FLOW_OK;
    }

    void Reset() {
        std::lock_guard lock(mutex);
        videoTimes.clear();
        gst_adapter_clear(adapter);
        lastPts = GST_CLOCK_TIME_NONE;
    }
};

namespace {

using Framer = VirtualDvSource::Framer;

// Callbacks get a heap-held shared_ptr, released by GStreamer's destroy notify.
using FramerRef = std::shared_ptr<Framer>;
Framer* FromData(gpointer data) { return static_cast<FramerRef*>(data)->get(); }
gpointer NewRef(const FramerRef& framer) { return new FramerRef(framer); }
void ReleaseRef(gpointer data) { delete static_cast<FramerRef*>(data); }

GstFlowReturn OnMuxedPiece(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_EOS;
    GstBuffer* piece = gst_buffer_ref(gst_sample_get_buffer(sample));
    gst_sample_unref(sample);
    return FromData(data)->Push(piece);
}

// The video encoder shifts its output segment far into the future (to keep DTS positive),
// while the muxer compares raw time stamps across its inputs: it would wait for the audio
// to catch up with the video until end of stream. Encoded frames therefore leave the
// encoder in running time on a plain segment.
GstPadProbeReturn OnEncodedFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
    Framer* framer = FromData(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        const GstClockTime running =
            gst_segment_to_running_time(&framer->videoSegment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        GST_BUFFER_PTS(buffer) = running;
        GST_BUFFER_DTS(buffer) = running;  // DV frames are all key frames
        framer->NoteVideoFrame(running);
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START) {
        framer->Reset();
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        gst_event_copy_segment(event, &framer->videoSegment);
        GstSegment plain;
        gst_segment_init(&plain, GST_FORMAT_TIME);
        GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_segment(&plain);
        gst_event_unref(event);
    }
    return GST_PAD_PROBE_OK;
}

// The camcorder's bin. libav's DV muxer counts its audio streams again at every start and
// refuses a second header ("Can't initialize DV format!"), so a camcorder that was stopped
// would deliver nothing when run again: the bin gives it a fresh muxer each time it stops.
struct QdDvCamcorderBin {
    GstBin parent;
    VirtualDvSource* owner;
};
struct QdDvCamcorderBinClass {
    GstBinClass parent_class;
};

GType qd_dv_camcorder_bin_get_type();
G_DEFINE_TYPE(QdDvCamcorderBin, qd_dv_camcorder_bin, GST_TYPE_BIN)

GstStateChangeReturn ChangeCamcorderState(GstElement* element, GstStateChange transition) {
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(qd_dv_camcorder_bin_parent_class)->change_state(element, transition);
    auto* bin = reinterpret_cast<QdDvCamcorderBin*>(element);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY && result != GST_STATE_CHANGE_FAILURE && bin->owner &&
        !bin->owner->RenewMuxer())
        return GST_STATE_CHANGE_FAILURE;
    return result;
}

void qd_dv_camcorder_bin_class_init(QdDvCamcorderBinClass* klass) {
    GST_ELEMENT_CLASS(klass)->change_state = ChangeCamcorderState;
}

void qd_dv_camcorder_bin_init(QdDvCamcorderBin* bin) { bin->owner = nullptr; }

}  // namespace

std::unique_ptr<VirtualDvSource> VirtualDvSource::Create(const char* name, DvSystem system) {
    std::unique_ptr<VirtualDvSource> source(new VirtualDvSource(system));
    if (!source->Build(name)) return nullptr;
    return source;
}

VirtualDvSource::VirtualDvSource(DvSystem system) : system_(system), framer_(std::make_shared<Framer>()) {
    framer_->frameBytes = static_cast<gsize>(DvFrameBytes(system));
    framer_->frameDuration = static_cast<GstClockTime>(DvFrameDuration(system)) * 100;
}

VirtualDvSource::~VirtualDvSource() {
    if (!bin_) return;
    reinterpret_cast<QdDvCamcorderBin*>(bin_)->owner = nullptr;  // the bin may outlive this object
    gst_object_unref(bin_);
}

bool VirtualDvSource::Build(const char* name) {
    bin_ = GST_ELEMENT(g_object_new(qd_dv_camcorder_bin_get_type(), "name", name, nullptr));
    gst_object_ref_sink(bin_);
    reinterpret_cast<QdDvCamcorderBin*>(bin_)->owner = this;
    GstElement* mux = MakeElement("avmux_dv", "mux");
    if (!AddElements(GST_BIN(bin_), {mux})) return false;
    return BuildVideo(mux) && BuildAudio(mux) && BuildOutput(mux);
}

bool VirtualDvSource::RenewMuxer() {
    GstOwned<GstElement> old(gst_bin_get_by_name(GST_BIN(bin_), "mux"));
    if (!old) return false;
    gst_element_set_state(old.get(), GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin_), old.get());  // unlinks it from the queues and the appsink
    GstElement* mux = MakeElement("avmux_dv", "mux");
    if (!AddElements(GST_BIN(bin_), {mux}) || !LinkMuxer(mux)) return false;
    return gst_element_sync_state_with_parent(mux);
}

bool VirtualDvSource::LinkMuxer(GstElement* mux) {
    GstOwned<GstElement> video(gst_bin_get_by_name(GST_BIN(bin_), "video-queue"));
    GstOwned<GstElement> audio(gst_bin_get_by_name(GST_BIN(bin_), "audio-queue"));
    GstOwned<GstElement> sink(gst_bin_get_by_name(GST_BIN(bin_), "muxed"));
    return video && audio && sink && gst_element_link_pads(video.get(), "src", mux, "video_%u") &&
           gst_element_link_pads(audio.get(), "src", mux, "audio_%u") && gst_element_link(mux, sink.get());
}

bool VirtualDvSource::BuildVideo(GstElement* mux) {
    GstElement* pattern = MakeElement("videotestsrc", "pattern");
    GstElement* caps = MakeElement("capsfilter", "picture-caps");
    overlay_ = MakeElement("textoverlay", "caption");
    GstElement* encoder = MakeElement("avenc_dvvideo", "encoder");
    GstElement* queue = MakeElement("queue", "video-queue");
    if (!AddElements(GST_BIN(bin_), {pattern, caps, overlay_, encoder, queue})) return false;
    g_object_set(pattern, "is-live", TRUE, "pattern", 18 /* ball */, nullptr);
    g_object_set(overlay_, "text", "DV", "shaded-background", TRUE, "font-desc", "Sans Bold 28", nullptr);
    // DV25: 4:1:1 at 720x480 for NTSC, 4:2:0 at 720x576 for PAL, with their pixel aspects.
    const bool ntsc = system_ == DvSystem::NTSC;
    SetFilterCaps(caps, gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, ntsc ? "Y41B" : "I420", "width",
                                            G_TYPE_INT, 720, "height", G_TYPE_INT, ntsc ? 480 : 576, "framerate",
                                            GST_TYPE_FRACTION, ntsc ? 30000 : 25, ntsc ? 1001 : 1,
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, ntsc ? 8 : 16, ntsc ? 9 : 15,
                                            nullptr));
    if (!gst_element_link_many(pattern, caps, overlay_, encoder, queue, nullptr)) return false;
    if (!gst_element_link_pads(queue, "src", mux, "video_%u")) return false;

    GstOwned<GstPad> encoded(gst_element_get_static_pad(encoder, "src"));
    gst_pad_add_probe(encoded.get(),
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      OnEncodedFrame, NewRef(framer_), ReleaseRef);
    return true;
}

bool VirtualDvSource::BuildAudio(GstElement* mux) {
    GstElement* tone = MakeElement("audiotestsrc", "tone");
    GstElement* caps = MakeElement("capsfilter", "tone-caps");
    GstElement* queue = MakeElement("queue", "audio-queue");
    if (!AddElements(GST_BIN(bin_), {tone, caps, queue})) return false;
    g_object_set(tone, "is-live", TRUE, "volume", 0.4, "freq", 1000.0, "samplesperbuffer", 1600, nullptr);
    // The muxer takes 48 kHz 16-bit stereo only.
    SetFilterCaps(caps, gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING,
                                            "interleaved", "rate", G_TYPE_INT, 48000, "channels", G_TYPE_INT, 2,
                                            nullptr));
    return gst_element_link_many(tone, caps, queue, nullptr) && gst_element_link_pads(queue, "src", mux, "audio_%u");
}

bool VirtualDvSource::BuildOutput(GstElement* mux) {
    GstElement* sink = MakeElement("appsink", "muxed");
    GstElement* src = MakeElement("appsrc", "frames");
    // The muxer's appsink only hands pieces to the framer; the stream goes on from the appsrc.
    // Flagged as a sink it would mark the camcorder (and any pipeline holding it) as a sink
    // that never ends: a bin posts end of stream only once every sink has, so a graph's
    // EC_COMPLETE (a one-shot grab, a finished stream) would never come.
    if (sink) GST_OBJECT_FLAG_UNSET(sink, GST_ELEMENT_FLAG_SINK);
    if (!AddElements(GST_BIN(bin_), {sink, src})) return false;
    if (!gst_element_link(mux, sink)) return false;

    // The muxer's pieces are passed on as they come: no clock wait, no preroll.
    g_object_set(sink, "sync", FALSE, "async", FALSE, "max-buffers", 8u, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = OnMuxedPiece;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, NewRef(framer_), ReleaseRef);

    const bool ntsc = system_ == DvSystem::NTSC;
    GstCaps* caps = gst_caps_new_simple("video/x-dv", "systemstream", G_TYPE_BOOLEAN, TRUE, "width", G_TYPE_INT, 720,
                                        "height", G_TYPE_INT, ntsc ? 480 : 576, "framerate", GST_TYPE_FRACTION,
                                        ntsc ? 30000 : 25, ntsc ? 1001 : 1, nullptr);
    const auto latency = static_cast<gint64>(framer_->frameDuration * 2);
    g_object_set(src, "is-live", TRUE, "format", GST_FORMAT_TIME, "caps", caps, "min-latency", latency, nullptr);
    gst_caps_unref(caps);
    framer_->out = GST_APP_SRC(src);

    GstOwned<GstPad> out(gst_element_get_static_pad(src, "src"));
    AttachFrameGate(out.get(), gate_, Numbering::Frames);
    capture_ = ExposeOutput(GST_BIN(bin_), out.get(), "capture");
    return true;
}

void VirtualDvSource::SetCaption(const std::string& text) { g_object_set(overlay_, "text", text.c_str(), nullptr); }

void VirtualDvSource::Disappear() {
    if (gate_->Disappeared()) return;
    gate_->Disappear();
    PostDeviceLost(bin_);
}

}  // namespace media

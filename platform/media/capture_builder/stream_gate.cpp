#include "platform/media/capture_builder/stream_gate.h"

#include <mutex>

#include "platform/media/interfaces/control.h"

namespace media {

namespace {

constexpr char kGateKey[] = "quilldeck-stream-gate";

struct StreamGate {
    std::mutex mutex;
    GstClockTimeDiff start = G_MININT64;  // running time, ns
    GstClockTimeDiff stop = G_MAXINT64;
    WORD startCookie = 0;
    WORD stopCookie = 0;
    bool flowing = true;
    IMediaEventSink* sink = nullptr;
    gulong probe = 0;
};

// The running time of the pipeline now (0 when it is not running).
GstClockTimeDiff RunningTimeNow(GstPad* pad) {
    GstElement* parent = gst_pad_get_parent_element(pad);
    GstClockTimeDiff now = 0;
    for (GstElement* e = parent; e; e = GST_ELEMENT(GST_OBJECT_PARENT(e))) {
        if (!GST_OBJECT_PARENT(e)) {
            if (GstClock* clock = gst_element_get_clock(e)) {
                now = GST_CLOCK_DIFF(gst_element_get_base_time(e), gst_clock_get_time(clock));
                gst_object_unref(clock);
            }
            break;
        }
    }
    if (parent) gst_object_unref(parent);
    return now;
}

GstClockTimeDiff BufferRunningTime(GstPad* pad, GstBuffer* buffer) {
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return RunningTimeNow(pad);
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return static_cast<GstClockTimeDiff>(GST_BUFFER_PTS(buffer));
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    const GstClockTime t = gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    gst_event_unref(event);
    return GST_CLOCK_TIME_IS_VALID(t) ? static_cast<GstClockTimeDiff>(t) : RunningTimeNow(pad);
}

GstPadProbeReturn Gate(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* gate = static_cast<StreamGate*>(data);
    const GstClockTimeDiff t = BufferRunningTime(pad, gst_pad_probe_info_get_buffer(info));
    LONG event = 0;
    WORD cookie = 0;
    IMediaEventSink* sink = nullptr;
    bool pass = false;
    {
        std::lock_guard lock(gate->mutex);
        pass = t >= gate->start && t < gate->stop;
        if (pass != gate->flowing) {
            gate->flowing = pass;
            event = pass ? EC_STREAM_CONTROL_STARTED : EC_STREAM_CONTROL_STOPPED;
            cookie = pass ? gate->startCookie : gate->stopCookie;
            sink = gate->sink;
        }
    }
    if (sink && cookie) sink->Notify(event, 0, cookie);
    return pass ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

void FreeGate(gpointer data) { delete static_cast<StreamGate*>(data); }

StreamGate* GateOf(GstPad* pad) {
    auto* gate = static_cast<StreamGate*>(g_object_get_data(G_OBJECT(pad), kGateKey));
    if (gate) return gate;
    gate = new StreamGate;
    g_object_set_data_full(G_OBJECT(pad), kGateKey, gate, FreeGate);
    gate->probe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, Gate, gate, nullptr);
    return gate;
}

}  // namespace

bool PadStreamHolds(GstPad* pad, GstBuffer* buffer) {
    auto* gate = static_cast<StreamGate*>(g_object_get_data(G_OBJECT(pad), kGateKey));
    if (!gate) return false;
    const GstClockTimeDiff t = BufferRunningTime(pad, buffer);
    std::lock_guard lock(gate->mutex);
    return !(t >= gate->start && t < gate->stop);
}

void ControlPadStream(GstPad* pad, const REFERENCE_TIME* start, const REFERENCE_TIME* stop, WORD startCookie,
                      WORD stopCookie, IMediaEventSink* sink) {
    StreamGate* gate = GateOf(pad);
    const GstClockTimeDiff now = RunningTimeNow(pad);
    std::lock_guard lock(gate->mutex);
    gate->sink = sink;
    if (!start) {
        gate->start = G_MININT64;
    } else if (*start == kMaxTime) {
        gate->start = G_MAXINT64;
    } else {
        gate->start = *start * 100;
    }
    gate->startCookie = startCookie;
    if (!stop) {
        gate->stop = now;
    } else if (*stop == kMaxTime) {
        gate->stop = G_MAXINT64;
    } else {
        gate->stop = *stop * 100;
    }
    gate->stopCookie = stopCookie;
}

}  // namespace media

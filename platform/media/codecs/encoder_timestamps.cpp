#include "platform/media/codecs/encoder_timestamps.h"

#include <cstring>
#include <deque>
#include <mutex>

namespace media::codecs {
namespace {

struct FrameTimes {
    GstClockTime pts;
    GstClockTime duration;
};

// What the probes share: the input frames' times in order, and the segments on both sides
// (the encoder may move its output segment, with its frames, by a fixed offset).
struct FrameTimeQueue {
    std::mutex mutex;
    std::deque<FrameTimes> waiting;
    GstSegment input;
    GstSegment output;
    FrameTimeQueue() {
        gst_segment_init(&input, GST_FORMAT_TIME);
        gst_segment_init(&output, GST_FORMAT_TIME);
    }
};

// A frame is never delayed by more than this many frames in these encoders; the queue is kept
// from growing without bound if an encoder ever drops frames.
constexpr std::size_t kMostFramesInFlight = 64;

bool HasValidTime(GstBuffer* buffer) {
    return GST_BUFFER_PTS_IS_VALID(buffer) && GST_BUFFER_PTS(buffer) <= static_cast<GstClockTime>(G_MAXINT64);
}

void KeepSegment(GstEvent* event, GstSegment* segment) {
    const GstSegment* given = nullptr;
    gst_event_parse_segment(event, &given);
    if (given && given->format == GST_FORMAT_TIME) gst_segment_copy_into(given, segment);
}

GstPadProbeReturn OnInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* queue = static_cast<FrameTimeQueue*>(data);
    std::lock_guard lock(queue->mutex);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (queue->waiting.size() == kMostFramesInFlight) queue->waiting.pop_front();
        queue->waiting.push_back({GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer)});
    } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info)) {
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) queue->waiting.clear();
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) KeepSegment(event, &queue->input);
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnOutput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* queue = static_cast<FrameTimeQueue*>(data);
    std::lock_guard lock(queue->mutex);
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (event && GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) KeepSegment(event, &queue->output);
        return GST_PAD_PROBE_OK;
    }
    if (queue->waiting.empty()) return GST_PAD_PROBE_OK;
    const FrameTimes times = queue->waiting.front();
    queue->waiting.pop_front();
    if (HasValidTime(GST_PAD_PROBE_INFO_BUFFER(info)) || !GST_CLOCK_TIME_IS_VALID(times.pts)) return GST_PAD_PROBE_OK;
    // The frame leaves at the running time it came in at, placed in the output's segment.
    const GstClockTime running = gst_segment_to_running_time(&queue->input, GST_FORMAT_TIME, times.pts);
    GstClockTime pts = gst_segment_position_from_running_time(&queue->output, GST_FORMAT_TIME, running);
    if (!GST_CLOCK_TIME_IS_VALID(pts)) pts = times.pts;
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DTS(buffer) = pts;
    if (!GST_BUFFER_DURATION_IS_VALID(buffer)) GST_BUFFER_DURATION(buffer) = times.duration;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

void FreeQueue(gpointer data) { delete static_cast<FrameTimeQueue*>(data); }

}  // namespace

bool EncoderLosesFrameTimes(const char* factory) {
    constexpr const char* kAffected[] = {"avenc_mpeg4", "avenc_huffyuv", "avenc_ffvhuff", "avenc_ffv1", "avenc_dvvideo"};
    for (const char* affected : kAffected) {
        if (std::strcmp(factory, affected) == 0) return true;
    }
    return false;
}

bool IsPinnedForFrameOrder(GstElement* element, const char* property) {
    GstElementFactory* factory = element ? gst_element_get_factory(element) : nullptr;
    return factory && EncoderLosesFrameTimes(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))) &&
           std::strcmp(property, "max-bframes") == 0;
}

void KeepFrameTimesAcross(GstElement* encoder) {
    auto* queue = new FrameTimeQueue;
    GstPad* sink = gst_element_get_static_pad(encoder, "sink");
    GstPad* src = gst_element_get_static_pad(encoder, "src");
    constexpr auto kWatched = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                           GST_PAD_PROBE_TYPE_EVENT_FLUSH);
    // The output probe owns the queue: it is the last to use it.
    gst_pad_add_probe(sink, kWatched, OnInput, queue, nullptr);
    gst_pad_add_probe(src, kWatched, OnOutput, queue, FreeQueue);
    gst_object_unref(sink);
    gst_object_unref(src);
}

}  // namespace media::codecs

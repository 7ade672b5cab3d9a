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

struct FrameTimeQueue {
    std::mutex mutex;
    std::deque<FrameTimes> waiting;
};

// A frame is never delayed by more than this many frames in these encoders; the queue is kept
// from growing without bound if an encoder ever drops frames.
constexpr std::size_t kMostFramesInFlight = 64;

bool HasValidTime(GstBuffer* buffer) {
    return GST_BUFFER_PTS_IS_VALID(buffer) && GST_BUFFER_PTS(buffer) <= static_cast<GstClockTime>(G_MAXINT64);
}

GstPadProbeReturn OnInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* queue = static_cast<FrameTimeQueue*>(data);
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) {
        std::lock_guard lock(queue->mutex);
        if (queue->waiting.size() == kMostFramesInFlight) queue->waiting.pop_front();
        queue->waiting.push_back({GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer)});
    } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info); event && GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        std::lock_guard lock(queue->mutex);
        queue->waiting.clear();
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnOutput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* queue = static_cast<FrameTimeQueue*>(data);
    FrameTimes times{GST_CLOCK_TIME_NONE, GST_CLOCK_TIME_NONE};
    {
        std::lock_guard lock(queue->mutex);
        if (queue->waiting.empty()) return GST_PAD_PROBE_OK;
        times = queue->waiting.front();
        queue->waiting.pop_front();
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (HasValidTime(buffer)) return GST_PAD_PROBE_OK;
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = times.pts;
    GST_BUFFER_DTS(buffer) = times.pts;
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
    // The output probe owns the queue: it is the last to use it.
    gst_pad_add_probe(sink, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      OnInput, queue, nullptr);
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, OnOutput, queue, FreeQueue);
    gst_object_unref(sink);
    gst_object_unref(src);
}

}  // namespace media::codecs

#include "platform/media/filters/native_video_sink.h"

#include <gst/video/videooverlay.h>

#include <mutex>

#include "platform/media/gst_helpers.h"

namespace media {

namespace {

// Opening the display is what fails where a sink cannot work (no XVideo adaptor, no GL), so a
// sink that reaches READY works here.
bool OpensOnThisDisplay(const char* factory) {
    GstElementFactory* found = gst_element_factory_find(factory);
    if (!found) return false;
    gst_object_unref(found);
    GstElement* sink = gst_element_factory_make(factory, nullptr);
    if (!sink) return false;
    gst_object_ref_sink(sink);
    const bool works = gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    return works;
}

const char* ChooseFactory() {
    for (const char* factory : {"xvimagesink", "glimagesink", "ximagesink"}) {
        if (OpensOnThisDisplay(factory)) return factory;
    }
    return nullptr;
}

}  // namespace

const char* NativeVideoSinkFactory() {
    static std::once_flag once;
    static const char* chosen = nullptr;
    std::call_once(once, [] {
        if (EnsureGstStarted()) chosen = ChooseFactory();
    });
    return chosen;
}

GstElement* MakeNativeVideoSink(const NativeWindow& window, bool* scalesItself) {
    if (window.system != NativeWindowSystem::X11 || window.handle == 0) return nullptr;
    const char* factory = NativeVideoSinkFactory();
    if (!factory) return nullptr;
    GstElement* sink = MakeElement(factory, nullptr);
    if (!sink) return nullptr;
    const bool scales = g_strcmp0(factory, "ximagesink") != 0;
    // Late frames are dropped by the sink (qos, max-lateness) and nothing queues in front of it,
    // so only the newest frame is ever painted. Not async: the graph's state changes never wait
    // for a first frame, as with the toolkit path.
    g_object_set(sink, "sync", TRUE, "qos", TRUE, "async", FALSE, "handle-events", FALSE, nullptr);
    if (scales) g_object_set(sink, "force-aspect-ratio", FALSE, nullptr);
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "handle-expose"))
        g_object_set(sink, "handle-expose", FALSE, nullptr);
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window.handle);
    if (scalesItself) *scalesItself = scales;
    return sink;
}

}  // namespace media

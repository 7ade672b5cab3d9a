#include "tests/platform/media/asf/media_file_probe.h"

#include "platform/media/gst.h"

#include <gst/pbutils/pbutils.h>

#include <atomic>
#include <cstring>

namespace media::test {

const ProbedStream* ProbedFile::FirstVideo() const {
    for (const auto& s : streams)
        if (s.video) return &s;
    return nullptr;
}

const ProbedStream* ProbedFile::FirstAudio() const {
    for (const auto& s : streams)
        if (s.audio) return &s;
    return nullptr;
}

ProbedFile ProbeMediaFile(const std::string& path) {
    ProbedFile file;
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
    if (!discoverer) {
        file.error = error ? error->message : "no discoverer";
        g_clear_error(&error);
        return file;
    }
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    g_free(uri);
    if (error) file.error = error->message;
    g_clear_error(&error);
    if (info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK) {
        file.readable = true;
        file.durationSeconds = static_cast<double>(gst_discoverer_info_get_duration(info)) / GST_SECOND;
        GList* list = gst_discoverer_info_get_stream_list(info);
        for (GList* l = list; l; l = l->next) {
            auto* stream = static_cast<GstDiscovererStreamInfo*>(l->data);
            ProbedStream probed;
            if (GstCaps* caps = gst_discoverer_stream_info_get_caps(stream)) {
                gchar* text = gst_caps_to_string(caps);
                probed.caps = text;
                g_free(text);
                gst_caps_unref(caps);
            }
            if (GST_IS_DISCOVERER_VIDEO_INFO(stream)) {
                auto* video = GST_DISCOVERER_VIDEO_INFO(stream);
                probed.video = true;
                probed.width = static_cast<int>(gst_discoverer_video_info_get_width(video));
                probed.height = static_cast<int>(gst_discoverer_video_info_get_height(video));
                probed.fpsNumerator = static_cast<int>(gst_discoverer_video_info_get_framerate_num(video));
                probed.fpsDenominator = static_cast<int>(gst_discoverer_video_info_get_framerate_denom(video));
            } else if (GST_IS_DISCOVERER_AUDIO_INFO(stream)) {
                auto* audio = GST_DISCOVERER_AUDIO_INFO(stream);
                probed.audio = true;
                probed.sampleRate = static_cast<int>(gst_discoverer_audio_info_get_sample_rate(audio));
                probed.channels = static_cast<int>(gst_discoverer_audio_info_get_channels(audio));
            }
            if (probed.video || probed.audio) file.streams.push_back(std::move(probed));
        }
        gst_discoverer_stream_info_list_free(list);
    } else if (file.error.empty()) {
        file.error = "the discoverer could not read the file";
    }
    if (info) gst_discoverer_info_unref(info);
    g_object_unref(discoverer);
    return file;
}

namespace {

struct FrameCount {
    GstElement* pipeline;
    std::atomic<long> frames{0};
};

void CountBuffer(GstElement*, GstBuffer*, GstPad*, gpointer data) { ++static_cast<FrameCount*>(data)->frames; }

// Each demultiplexed stream goes to a fakesink of its own; video buffers are counted.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* count = static_cast<FrameCount*>(data);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    // One streaming thread feeds every sink: none may wait for the others to preroll.
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    gchar* name = gst_pad_get_name(pad);
    if (std::strncmp(name, "video", 5) == 0) {
        g_object_set(sink, "signal-handoffs", TRUE, nullptr);
        g_signal_connect(sink, "handoff", G_CALLBACK(CountBuffer), count);
    }
    g_free(name);
    gst_bin_add(GST_BIN(count->pipeline), sink);
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

}  // namespace

long CountAsfVideoFrames(const std::string& path) {
    FrameCount count;
    count.pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* demux = gst_element_factory_make("asfdemux", nullptr);
    if (!source || !demux) {
        gst_object_unref(count.pipeline);
        return -1;
    }
    g_object_set(source, "location", path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(count.pipeline), source, demux, nullptr);
    gst_element_link(source, demux);
    g_signal_connect(demux, "pad-added", G_CALLBACK(OnPadAdded), &count);
    gst_element_set_state(count.pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(count.pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool finished = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(count.pipeline, GST_STATE_NULL);
    gst_object_unref(count.pipeline);
    return finished ? count.frames.load() : -1;
}

}  // namespace media::test

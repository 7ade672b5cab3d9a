// The splitting AVI multiplexer's CPU time per frame against GStreamer's avimux writing the same
// stream in the same run, and the cost of one statistics refresh (the three calls the status
// display makes every 500 ms).
//
// Both sides get the same pre-made buffers from an appsrc (640x480 YUY2 at 30 frames per
// second, 48 kHz stereo sound, one chunk per frame) in a pipeline of their own, run to the end
// of the stream; CPU time is this process's rusage over the run, so the ratio of the two is
// what the multiplexer costs over avimux (+ filesink) for the same files.
#include <benchmark/benchmark.h>

#include "platform/media/gst.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/media/bench_support.h"
#include "filters/talvinmux/talvin_avi_mux.h"
#include "platform/com/wide_text.h"
#include "platform/media/gst_helpers.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 600;
constexpr int kWidth = 640, kHeight = 480;
constexpr gsize kFrameBytes = kWidth * kHeight * 2;
constexpr gsize kSoundBytes = 48000 / 30 * 4;
constexpr GstClockTime kFrameTime = GST_SECOND / 30;

GstElement* Source(const char* caps) {
    GstElement* source = gst_element_factory_make("appsrc", nullptr);
    GstCaps* c = gst_caps_from_string(caps);
    g_object_set(source, "caps", c, "format", GST_FORMAT_TIME, "max-bytes", guint64{0}, "block", FALSE, nullptr);
    gst_caps_unref(c);
    return source;
}

void Feed(GstElement* video, GstElement* audio) {
    GstBuffer* frame = gst_buffer_new_allocate(nullptr, kFrameBytes, nullptr);
    gst_buffer_memset(frame, 0, 0x80, kFrameBytes);
    GstBuffer* sound = gst_buffer_new_allocate(nullptr, kSoundBytes, nullptr);
    gst_buffer_memset(sound, 0, 0, kSoundBytes);
    for (int i = 0; i < kFrames; ++i) {
        GstBuffer* v = gst_buffer_copy(frame);  // shares the memory: no copy of the bytes
        GST_BUFFER_PTS(v) = i * kFrameTime;
        GST_BUFFER_DURATION(v) = kFrameTime;
        gst_app_src_push_buffer(GST_APP_SRC(video), v);
        GstBuffer* a = gst_buffer_copy(sound);
        GST_BUFFER_PTS(a) = i * kFrameTime;
        GST_BUFFER_DURATION(a) = kFrameTime;
        gst_app_src_push_buffer(GST_APP_SRC(audio), a);
    }
    gst_buffer_unref(frame);
    gst_buffer_unref(sound);
    gst_app_src_end_of_stream(GST_APP_SRC(video));
    gst_app_src_end_of_stream(GST_APP_SRC(audio));
}

// Runs the pipeline to its end; the process CPU seconds it took.
double RunToEnd(GstElement* pipeline, GstElement* video, GstElement* audio) {
    const double before = bench::ProcessCpuSeconds();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    Feed(video, audio);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return bench::ProcessCpuSeconds() - before;
}

constexpr const char* kVideoCaps = "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1";
constexpr const char* kAudioCaps = "audio/x-raw,format=S16LE,layout=interleaved,rate=48000,channels=2";

double TalvinMuxSeconds(const fs::path& dir) {
    HRESULT hr = E_FAIL;
    ComPtr<IUnknown> mux = ComPtr<IUnknown>::Attach(CTalvinAviMux::CreateInstance(nullptr, &hr));
    bench::As<IFileSinkFilter2>(mux.Get())->SetFileName(Utf8ToWide((dir / "talvin").string()).c_str(), nullptr);
    bench::As<ITalvinAVIMux>(mux.Get())->SetFileLayout(1);
    GstElement* element = bench::As<IGstFilter>(mux.Get())->GetElement();
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* video = Source(kVideoCaps);
    GstElement* audio = Source(kAudioCaps);
    gst_bin_add_many(GST_BIN(pipeline), video, audio, element, nullptr);
    gst_element_link_pads(video, "src", element, "Video");
    gst_element_link_pads(audio, "src", element, "Audio");
    const double seconds = RunToEnd(pipeline, video, audio);
    gst_bin_remove(GST_BIN(pipeline), element);
    gst_object_unref(pipeline);
    return seconds;
}

double AvimuxSeconds(const fs::path& dir) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* video = Source(kVideoCaps);
    GstElement* audio = Source(kAudioCaps);
    GstElement* mux = gst_element_factory_make("avimux", nullptr);
    GstElement* sink = gst_element_factory_make("filesink", nullptr);
    g_object_set(sink, "location", (dir / "avimux.avi").c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), video, audio, mux, sink, nullptr);
    gst_element_link_pads(video, "src", mux, "video_%u");
    gst_element_link_pads(audio, "src", mux, "audio_%u");
    gst_element_link(mux, sink);
    const double seconds = RunToEnd(pipeline, video, audio);
    gst_object_unref(pipeline);
    return seconds;
}

void BM_CpuPerFrameAgainstAvimux(benchmark::State& state) {
    media::EnsureGstStarted();
    const fs::path dir = fs::temp_directory_path() / "talvinmux-bench";
    fs::create_directories(dir);
    double talvin = 0, avimux = 0;
    std::uintmax_t talvinBytes = 0, avimuxBytes = 0;
    for (auto _ : state) {
        talvin += TalvinMuxSeconds(dir);
        avimux += AvimuxSeconds(dir);
        talvinBytes = fs::file_size(dir / "talvin.avi");
        avimuxBytes = fs::file_size(dir / "avimux.avi");
    }
    fs::remove_all(dir);
    // Both files hold the same stream: their sizes differ only by headers and indexes. A file
    // much smaller than the other lost frames, and its CPU time says nothing.
    const double larger = static_cast<double>(std::max(talvinBytes, avimuxBytes));
    if (larger - static_cast<double>(std::min(talvinBytes, avimuxBytes)) > larger * 0.01)
        state.SkipWithError("the two files do not hold the same stream");
    state.counters["talvinmux_MB"] = static_cast<double>(talvinBytes) / 1e6;
    state.counters["avimux_MB"] = static_cast<double>(avimuxBytes) / 1e6;
    const double runs = static_cast<double>(state.iterations()) * kFrames;
    state.counters["talvinmux_us_per_frame"] = talvin / runs * 1e6;
    state.counters["avimux_us_per_frame"] = avimux / runs * 1e6;
    state.counters["ratio"] = avimux > 0 ? talvin / avimux : 0;  // target: at most 1.2
}
BENCHMARK(BM_CpuPerFrameAgainstAvimux)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StatisticsRefresh(benchmark::State& state) {
    media::EnsureGstStarted();
    HRESULT hr = E_FAIL;
    ComPtr<IUnknown> mux = ComPtr<IUnknown>::Attach(CTalvinAviMux::CreateInstance(nullptr, &hr));
    ComPtr<ITalvinAVIMux> control = bench::As<ITalvinAVIMux>(mux.Get());
    DWORD v = 0, a = 0, d = 0, s = 0, inserted = 0, deleted = 0;
    double fps = 0, hz = 0;
    for (auto _ : state) {
        control->GetStatistics(&v, &a, &d, &s);
        control->GetSyncCounts(&inserted, &deleted);
        control->GetMeasuredRates(&fps, &hz);
        benchmark::DoNotOptimize(v + a + d + s + inserted + deleted);
        benchmark::DoNotOptimize(fps + hz);
    }
}
BENCHMARK(BM_StatisticsRefresh);

}  // namespace

BENCHMARK_MAIN();

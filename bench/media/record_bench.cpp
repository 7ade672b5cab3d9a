// CPU time per frame of a 1280x720 H.264 (x264, ultrafast) AVI recording through the filter
// graph (virtual TV card capture pin -> x264 compressor -> AVI multiplexer -> file writer)
// against the same work as one gst-launch-1.0 pipeline, video only on both sides.
//
// Both sides are measured from the kernel's CPU accounting:
// - the graph runs in this process; from its first encoded frame on, for a fixed time, CPU time
//   is the getrusage(RUSAGE_SELF) difference and frames are the buffers leaving the encoder;
// - gst-launch-1.0 runs as a child process with num-buffers set and the encoder settings read
//   from the graph's encoder, so it ends by itself after a known number of frames; CPU time is
//   the child's rusage from wait4(), less that of a one-frame run (start-up).
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "bench/media/bench_support.h"
#include "platform/com/com_runtime.h"
#include "platform/com/moniker.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/devices/device_catalog.h"
#include "platform/media/gst.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/stream_config.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kSeconds = 5;
constexpr double kFrameRate = 30000.0 / 1001.0;

using bench::As;
using bench::CpuSeconds;
using bench::ProcessCpuSeconds;

ComPtr<IBaseFilter> BindByDisplayName(const char16_t* name) {
    ComPtr<IBindCtx> context;
    ComPtr<IMoniker> moniker;
    ULONG eaten = 0;
    ComPtr<IBaseFilter> filter;
    if (FAILED(CreateBindCtx(0, context.ReleaseAndGetAddressOf())) ||
        FAILED(MkParseDisplayName(context.Get(), name, &eaten, moniker.ReleaseAndGetAddressOf())) ||
        FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress())))
        return nullptr;
    return filter;
}

// The x264 compressor of the catalogue, found by its element name in its display name.
ComPtr<IBaseFilter> BindX264() {
    ComPtr<ICreateDevEnum> devices;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.ReleaseAndGetVoidAddress())) ||
        devices->CreateClassEnumerator(CLSID_VideoCompressorCategory, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
        return nullptr;
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IMoniker> held = ComPtr<IMoniker>::Attach(moniker);
        LPOLESTR name = nullptr;
        if (FAILED(held->GetDisplayName(nullptr, nullptr, &name))) continue;
        const bool x264 = WideToUtf8(WideView(name)).find("x264enc") != std::string::npos;
        CoTaskMemFree(name);
        ComPtr<IBaseFilter> filter;
        if (x264 && SUCCEEDED(held->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress())))
            return filter;
    }
    return nullptr;
}

// The capture pin's 1280x720 YUY2 capability if it has one, else its largest; set as its format.
bool SetLargestFormat(IPin* capture, std::string& chosen) {
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(capture);
    int count = 0, size = 0;
    if (!config || FAILED(config->GetNumberOfCapabilities(&count, &size))) return false;
    int best = -1;
    long bestScore = -1;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        if (FAILED(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)))) continue;
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        const long pixels = static_cast<long>(vih->bmiHeader.biWidth) * std::abs(vih->bmiHeader.biHeight);
        const bool hdYuy2 = type->subtype == MEDIASUBTYPE_YUY2 && vih->bmiHeader.biWidth == 1280 &&
                            std::abs(vih->bmiHeader.biHeight) == 720;
        const long score = hdYuy2 ? std::numeric_limits<long>::max() : pixels;
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
        DeleteMediaType(type);
    }
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    if (best < 0 || FAILED(config->GetStreamCaps(best, &type, reinterpret_cast<BYTE*>(&caps)))) return false;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    chosen = std::to_string(vih->bmiHeader.biWidth) + "x" + std::to_string(std::abs(vih->bmiHeader.biHeight)) +
             (type->subtype == MEDIASUBTYPE_YUY2 ? " YUY2" : " other");
    const bool set = SUCCEEDED(config->SetFormat(type));
    DeleteMediaType(type);
    return set;
}

// The x264enc element inside a filter's element (the element itself or one in its bin).
GstElement* FindEncoder(IBaseFilter* filter) {
    ComPtr<IGstFilter> gst = As<IGstFilter>(filter);
    if (!gst) return nullptr;
    GstElement* element = gst->GetElement();
    auto isX264 = [](GstElement* e) {
        GstElementFactory* factory = gst_element_get_factory(e);
        return factory && std::string(GST_OBJECT_NAME(factory)) == "x264enc";
    };
    if (isX264(element)) return GST_ELEMENT(gst_object_ref(element));
    if (!GST_IS_BIN(element)) return nullptr;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(element));
    GValue item = G_VALUE_INIT;
    GstElement* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* e = GST_ELEMENT(g_value_get_object(&item));
        if (isX264(e)) found = GST_ELEMENT(gst_object_ref(e));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// The encoder's settings that decide its work, as gst-launch-1.0 property arguments.
std::vector<std::string> EncoderArguments(GstElement* encoder) {
    std::vector<std::string> args;
    for (const char* name : {"speed-preset", "pass", "bitrate", "quantizer", "key-int-max", "bframes", "tune",
                             "threads", "byte-stream"}) {
        GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(encoder), name);
        if (!spec) continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, spec->value_type);
        g_object_get_property(G_OBJECT(encoder), name, &value);
        gchar* text = gst_value_serialize(&value);
        if (text) args.push_back(std::string(name) + "=" + text);
        g_free(text);
        g_value_unset(&value);
    }
    return args;
}

class EncodedFrames {
public:
    explicit EncodedFrames(GstElement* encoder) : pad_(gst_element_get_static_pad(encoder, "src")) {
        if (pad_) probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &EncodedFrames::OnBuffer, &count_, nullptr);
    }
    ~EncodedFrames() {
        if (!pad_) return;
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    EncodedFrames(const EncodedFrames&) = delete;
    EncodedFrames& operator=(const EncodedFrames&) = delete;
    long Count() const { return count_.load(); }

private:
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo*, gpointer count) {
        ++*static_cast<std::atomic<long>*>(count);
        return GST_PAD_PROBE_OK;
    }
    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    std::atomic<long> count_{0};
};

struct Measurement {
    double cpuSeconds = 0;
    double frames = 0;
};

struct GraphRun {
    Measurement measured;
    std::string format;
    std::vector<std::string> encoderArguments;
};

bool MeasureGraph(const fs::path& file, GraphRun& out, std::string& error) {
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph.ReleaseAndGetVoidAddress())) ||
        FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                builder.ReleaseAndGetVoidAddress())) ||
        FAILED(builder->SetFiltergraph(graph.Get()))) {
        error = "no filter graph";
        return false;
    }
    ComPtr<IBaseFilter> card = BindByDisplayName(u"@device:virtual:tv-card");
    ComPtr<IBaseFilter> compressor = BindX264();
    if (!card || !compressor) {
        error = "no virtual TV card or x264 compressor";
        return false;
    }
    ComPtr<IPin> capture;
    builder->FindPin(card.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, FALSE, 0,
                     capture.ReleaseAndGetAddressOf());
    if (!capture || !SetLargestFormat(capture.Get(), out.format)) {
        error = "cannot set the capture format";
        return false;
    }
    GstElement* encoder = FindEncoder(compressor.Get());
    if (!encoder) {
        error = "the compressor has no x264enc";
        return false;
    }
    g_object_set(encoder, "speed-preset", 1 /* ultrafast */, nullptr);
    ComPtr<IBaseFilter> mux;
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(graph->AddFilter(card.Get(), u"Capture")) || FAILED(graph->AddFilter(compressor.Get(), u"x264")) ||
        FAILED(builder->SetOutputFileName(&MEDIASUBTYPE_Avi, Utf8ToWide(file.string()).c_str(),
                                          mux.ReleaseAndGetAddressOf(), sink.ReleaseAndGetAddressOf())) ||
        FAILED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, card.Get(), compressor.Get(), mux.Get()))) {
        gst_object_unref(encoder);
        error = "cannot build capture -> x264 -> AVI multiplexer -> file writer";
        return false;
    }
    out.encoderArguments = EncoderArguments(encoder);
    EncodedFrames encoded(encoder);
    gst_object_unref(encoder);
    ComPtr<IMediaControl> control = As<IMediaControl>(graph.Get());
    if (FAILED(control->Run())) {
        error = "the graph does not run";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSeconds);
    while (encoded.Count() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const long firstCount = encoded.Count();
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    out.measured.cpuSeconds = ProcessCpuSeconds() - before;
    const long frames = encoded.Count() - firstCount;
    control->Stop();
    if (firstCount == 0 || frames <= 0) {
        error = "no frames left the encoder";
        return false;
    }
    out.measured.frames = static_cast<double>(frames);
    return true;
}

// CPU seconds of one gst-launch-1.0 run of `frames` frames, or a negative value on failure.
double LaunchCpuSeconds(int frames, const std::string& size, const std::vector<std::string>& encoderArguments,
                        const fs::path& file) {
    const auto x = size.find('x');
    std::vector<std::string> args = {"gst-launch-1.0", "-q", "videotestsrc", "is-live=true", "pattern=smpte",
                                     "num-buffers=" + std::to_string(frames), "!", "textoverlay", "!",
                                     "videobalance", "!",
                                     "video/x-raw,format=YUY2,width=" + size.substr(0, x) + ",height=" +
                                         size.substr(x + 1, size.find(' ') - x - 1) + ",framerate=30000/1001",
                                     "!", "videoconvert", "!", "x264enc"};
    args.insert(args.end(), encoderArguments.begin(), encoderArguments.end());
    for (const char* tail : {"!", "avimux", "!", "filesink"}) args.emplace_back(tail);
    args.push_back("location=" + file.string());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return CpuSeconds(usage);
}

bool MeasureLaunch(const GraphRun& graph, const fs::path& file, Measurement& out, std::string& error) {
    const int frames = static_cast<int>(kSeconds * kFrameRate);
    const double startup = LaunchCpuSeconds(1, graph.format, graph.encoderArguments, file);
    const double full = LaunchCpuSeconds(frames, graph.format, graph.encoderArguments, file);
    if (startup < 0 || full < 0) {
        error = "gst-launch-1.0 failed";
        return false;
    }
    out.cpuSeconds = full - startup;
    out.frames = frames - 1;
    return true;
}

void BM_RecordX264CpuPerFrame(benchmark::State& state) {
    char pattern[] = "/tmp/qd-record-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const fs::path dir = pattern;
    GraphRun graph;
    Measurement launch;
    for (auto _ : state) {
        std::string error;
        if (!MeasureGraph(dir / "graph.avi", graph, error) || !MeasureLaunch(graph, dir / "launch.avi", launch, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    if (graph.measured.frames <= 0 || launch.frames <= 0) return;
    const double graphMs = graph.measured.cpuSeconds * 1000 / graph.measured.frames;
    const double launchMs = launch.cpuSeconds * 1000 / launch.frames;
    state.SetLabel(graph.format);
    state.counters["graph_cpu_ms_per_frame"] = graphMs;
    state.counters["graph_frames_encoded"] = graph.measured.frames;
    state.counters["launch_cpu_ms_per_frame"] = launchMs;
    state.counters["launch_frames"] = launch.frames;
    state.counters["graph_to_launch_ratio"] = launchMs > 0 ? graphMs / launchMs : 0;
}
BENCHMARK(BM_RecordX264CpuPerFrame)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitialize(nullptr))) return 1;
    media::SetRealDevicesHidden(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CoUninitialize();
    return 0;
}

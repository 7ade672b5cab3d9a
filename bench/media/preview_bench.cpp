// CPU time per frame of the preview graph at 1280x720 YUY2 (virtual TV card capture pin ->
// Smart Tee -> Null Renderer, through the filter graph) against the same work as a plain
// gst-launch-1.0 pipeline: the card's picture (card_picture_launch.h), a tee and a queue.
//
// Both sides are measured the same way, from the kernel's CPU accounting:
// - the graph runs in this process; from its first frame at the renderer on, for a fixed time,
//   CPU time is the getrusage(RUSAGE_SELF) difference and frames are the buffers that reach
//   the Null Renderer (a probe on its input pad), so frames dropped on the way count as nothing;
// - gst-launch-1.0 runs as a child process with num-buffers set, so it ends by itself after
//   a known number of frames; CPU time is the child's rusage from wait4(). The child's start-up
//   (plugin registry, pipeline parsing) is measured by a one-frame run and subtracted.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/media/bench_support.h"
#include "bench/media/card_picture_launch.h"
#include "platform/com/com_runtime.h"
#include "platform/com/moniker.h"
#include "platform/media/devices/device_catalog.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/grabber.h"  // CLSID_NullRenderer
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/gst.h"

extern char** environ;

namespace {

constexpr int kSeconds = 5;
constexpr double kFrameRate = 30000.0 / 1001.0;

using bench::As;
using bench::CpuSeconds;
using bench::ProcessCpuSeconds;

ComPtr<IPin> PinNamed(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.ReleaseAndGetAddressOf());
    return pin;
}

ComPtr<IBaseFilter> Create(REFCLSID clsid) {
    ComPtr<IBaseFilter> filter;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
    return filter;
}

ComPtr<IBaseFilter> BindTvCard() {
    ComPtr<ICreateDevEnum> devices;  // also makes the "@device:" names parseable
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.ReleaseAndGetVoidAddress())))
        return nullptr;
    ComPtr<IBindCtx> context;
    ComPtr<IMoniker> moniker;
    ULONG eaten = 0;
    ComPtr<IBaseFilter> card;
    if (FAILED(CreateBindCtx(0, context.ReleaseAndGetAddressOf())) ||
        FAILED(MkParseDisplayName(context.Get(), u"@device:virtual:tv-card", &eaten, moniker.ReleaseAndGetAddressOf())) ||
        FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, card.ReleaseAndGetVoidAddress())))
        return nullptr;
    return card;
}

// The capture pin's 1280x720 YUY2 capability, set as its format.
bool SetHdYuy2(IPin* capture) {
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(capture);
    int count = 0, size = 0;
    if (!config || FAILED(config->GetNumberOfCapabilities(&count, &size))) return false;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        if (FAILED(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)))) continue;
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        const bool match = type->subtype == MEDIASUBTYPE_YUY2 && vih->bmiHeader.biWidth == 1280 &&
                           vih->bmiHeader.biHeight == 720;
        const bool set = match && SUCCEEDED(config->SetFormat(type));
        DeleteMediaType(type);
        if (set) return true;
    }
    return false;
}

// Counts the buffers that reach a pin's pad.
class RenderedFrames {
public:
    explicit RenderedFrames(IPin* pin) {
        ComPtr<IGstPin> gst = As<IGstPin>(pin);
        if (!gst) return;
        pad_ = GST_PAD(gst_object_ref(gst->GetPad()));
        probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &RenderedFrames::OnBuffer, &count_, nullptr);
    }
    ~RenderedFrames() {
        if (!pad_) return;
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    RenderedFrames(const RenderedFrames&) = delete;
    RenderedFrames& operator=(const RenderedFrames&) = delete;
    bool Counting() const { return pad_ != nullptr; }
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

bool MeasureGraph(Measurement& out, std::string& error) {
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph.ReleaseAndGetVoidAddress()))) {
        error = "no filter graph";
        return false;
    }
    ComPtr<IBaseFilter> card = BindTvCard();
    ComPtr<IBaseFilter> tee = Create(CLSID_SmartTee);
    ComPtr<IBaseFilter> sink = Create(CLSID_NullRenderer);
    if (!card || !tee || !sink) {
        error = "cannot create the filters";
        return false;
    }
    ComPtr<IPin> capture = PinNamed(card.Get(), u"Capture");
    if (!capture || !SetHdYuy2(capture.Get())) {
        error = "the capture pin has no 1280x720 YUY2 format";
        return false;
    }
    if (FAILED(graph->AddFilter(card.Get(), u"Capture")) || FAILED(graph->AddFilter(tee.Get(), u"Smart Tee")) ||
        FAILED(graph->AddFilter(sink.Get(), u"Null Renderer")) ||
        FAILED(graph->Connect(capture.Get(), PinNamed(tee.Get(), u"Input").Get())) ||
        FAILED(graph->Connect(PinNamed(tee.Get(), u"Preview").Get(), PinNamed(sink.Get(), u"In").Get()))) {
        error = "cannot build capture -> Smart Tee -> Null Renderer";
        return false;
    }
    RenderedFrames rendered(PinNamed(sink.Get(), u"In").Get());
    if (!rendered.Counting()) {
        error = "the Null Renderer's input has no pad to count on";
        return false;
    }
    ComPtr<IMediaControl> control = As<IMediaControl>(graph.Get());
    if (FAILED(control->Run())) {
        error = "the graph does not run";
        return false;
    }
    // Steady state only: from the first frame at the renderer on, as the pipeline's start-up
    // is taken off its figure too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSeconds);
    while (rendered.Count() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const long firstCount = rendered.Count();
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    out.cpuSeconds = ProcessCpuSeconds() - before;
    const long frames = rendered.Count() - firstCount;
    control->Stop();
    if (firstCount == 0 || frames <= 0) {
        error = "no frames reached the Null Renderer";
        return false;
    }
    out.frames = static_cast<double>(frames);
    return true;
}

// CPU seconds of one gst-launch-1.0 run of `frames` frames, or a negative value on failure.
double LaunchCpuSeconds(int frames) {
    std::vector<std::string> args = {"gst-launch-1.0", "-q"};
    const std::vector<std::string> picture = bench::CardPictureLaunchArgs(1280, 720, frames);
    args.insert(args.end(), picture.begin(), picture.end());
    args.insert(args.end(), {"!", "tee", "!", "queue", "!", "fakesink"});
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

bool MeasureLaunch(Measurement& out, std::string& error) {
    const int frames = static_cast<int>(kSeconds * kFrameRate);
    const double startup = LaunchCpuSeconds(1);
    const double full = LaunchCpuSeconds(frames);
    if (startup < 0 || full < 0) {
        error = "gst-launch-1.0 failed";
        return false;
    }
    out.cpuSeconds = full - startup;
    out.frames = frames - 1;
    return true;
}

void BM_PreviewCpuPerFrame(benchmark::State& state) {
    Measurement graph, launch;
    for (auto _ : state) {
        std::string error;
        if (!MeasureGraph(graph, error) || !MeasureLaunch(launch, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    const double graphMs = graph.cpuSeconds * 1000 / graph.frames;
    const double launchMs = launch.cpuSeconds * 1000 / launch.frames;
    state.counters["graph_cpu_ms_per_frame"] = graphMs;
    state.counters["graph_frames_rendered"] = graph.frames;
    state.counters["launch_cpu_ms_per_frame"] = launchMs;
    state.counters["launch_frames"] = launch.frames;
    state.counters["graph_to_launch_ratio"] = launchMs > 0 ? graphMs / launchMs : 0;
}
BENCHMARK(BM_PreviewCpuPerFrame)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

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

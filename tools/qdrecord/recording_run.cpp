#include "tools/qdrecord/recording_run.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/module_registration.h"
#include "engine/capture_engine.h"
#include "platform/media/interfaces/control.h"
#include "platform/system/profile_directory.h"
#include "platform/system/termination_signals.h"

namespace qdrecord {
namespace {

// Failure reports go to stderr as they come, and are kept for the summary.
class StderrReports : public IFailureReportSink {
public:
    int AppendReportLine(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        lines.push_back(text);
        return static_cast<int>(lines.size()) - 1;
    }
    void SelectReportLine(int) override {}
    std::vector<std::string> lines;
};

template <typename T>
bool FindProfile(ProfileList<T>& list, const std::string& name, T* current, const char* kind, T** found) {
    if (name.empty()) {
        *found = current;
        return true;
    }
    for (auto& profile : list)
        if (profile->Name == name) {
            *found = profile.get();
            return true;
        }
    std::fprintf(stderr, "qdrecord: no %s profile named \"%s\"\n", kind, name.c_str());
    return false;
}

// Runs the recording for `seconds`, or until the graph ends it or a signal arrives. The event
// that ended it, or 0.
LONG RunFor(IMediaEventEx* events, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (termination::TakePendingSignals() > 0) return 0;
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (!events || events->GetEvent(&code, &p1, &p2, 50) != S_OK) {
            if (!events) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        events->FreeEventParams(code, p1, p2);
        if (code == EC_DEVICE_LOST || code == EC_ERRORABORT || code == EC_USERABORT) return code;
    }
    return 0;
}

unsigned long long SizeOfOutput(const std::string& sinkFile) {
    std::error_code error;
    const auto size = std::filesystem::file_size(sinkFile, error);
    return error ? 0 : size;
}

}  // namespace

int Record(const Request& request) {
    StderrReports reports;
    RegisterMissingModules(ExecutableDirectory(), ProgramFilterModules(), &reports);
    CCaptureEngine engine(request.profileDirectory, nullptr);
    engine.SetMessageBar(&reports);
    CProfileStore& store = engine.Store();
    // The program owns its files: a damaged one is left where it is for the program to set aside.
    store.LoadProfileFiles(CProfileStore::DamagedFiles::LeaveInPlace);
    CDeviceProfile* device = nullptr;
    CCompressorProfile* compressor = nullptr;
    CMuxProfile* mux = nullptr;
    if (!FindProfile(store.DeviceProfiles, request.device, store.CurrentDevice, "device", &device) ||
        !FindProfile(store.CompressorProfiles, request.compressor, store.CurrentCompressor, "compressor", &compressor) ||
        !FindProfile(store.MuxProfiles, request.mux, store.CurrentMux, "mux", &mux))
        return 2;

    // Without any device profile the first devices record video and sound; nothing is
    // previewed, since a headless recorder has no window to show it in.
    CDeviceProfile headless;
    headless.CaptureVideoMode = 3;
    headless.CaptureAudioMode = 2;
    if (!device) {
        engine.SelectCaptureDevices(nullptr);
        device = &headless;
    } else {
        engine.SelectCaptureDevices(device);
    }
    if (FAILED(engine.CreateGraphSession(device))) return 1;
    engine.BindCompressors(compressor);  // what is missing is reported and recorded without
    const HRESULT built = engine.BuildCaptureGraph(device, compressor, mux, nullptr);
    if (FAILED(built)) {
        if (reports.lines.empty())
            std::fprintf(stderr, "qdrecord: the recording graph cannot be built (%08x): a device the profile names is "
                                 "missing\n", static_cast<unsigned>(built));
        if (!engine.OutputDirectory().empty() && !std::filesystem::is_directory(engine.OutputDirectory()))
            std::fprintf(stderr, "qdrecord: the output directory \"%s\" does not exist\n", engine.OutputDirectory().c_str());
        engine.TearDownGraph();
        return 1;
    }
    termination::WatchSignals();
    if (FAILED(engine.StartCapture(device, mux))) {
        engine.TearDownGraph();
        return 1;
    }
    const auto started = std::chrono::steady_clock::now();
    const LONG ended = RunFor(engine.Session().MediaEvent.Get(), request.seconds);
    LONG dropped = 0, captured = 0;
    if (IAMDroppedFrames* frames = engine.Session().DroppedFrames.Get()) {
        frames->GetNumDropped(&dropped);
        frames->GetNumNotDropped(&captured);
        dropped -= engine.Session().BaselineDropped;
        captured -= engine.Session().BaselineNotDropped;
    }
    const HRESULT stopped = engine.StopGraph();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    engine.TearDownGraph();
    termination::StopWatchingSignals();

    const unsigned long long bytes = SizeOfOutput(engine.SinkFileName());
    std::printf("file: %s\n", engine.SinkFileName().c_str());
    std::printf("frames captured: %ld\n", static_cast<long>(captured));
    std::printf("frames dropped: %ld\n", static_cast<long>(dropped));
    std::printf("seconds: %.2f\n", elapsed);
    std::printf("frames per second: %.2f\n", elapsed > 0 ? captured / elapsed : 0.0);
    std::printf("bytes written: %llu\n", bytes);
    std::printf("free space at start: %llu\n", static_cast<unsigned long long>(engine.FreeSpaceAtBuild()));
    if (ended == EC_DEVICE_LOST) {
        std::fprintf(stderr, "qdrecord: the device was lost; the file holds what was recorded until then\n");
        return 1;
    }
    if (ended != 0) {
        std::fprintf(stderr, "qdrecord: the recording was ended by an error (event %ld)\n", static_cast<long>(ended));
        return 1;
    }
    return FAILED(stopped) ? 1 : 0;
}

}  // namespace qdrecord

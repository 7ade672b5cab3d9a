#include "tools/qdrecord/recording_run.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/module_registration.h"
#include "common/module_interfaces.h"
#include "engine/capture_engine.h"
#include "engine/recording_statistics.h"
#include "engine/still_image_name.h"
#include "platform/media/interfaces/control.h"
#include "platform/system/profile_directory.h"
#include "platform/system/termination_signals.h"
#include "platform/system/watched_file.h"

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
        if (code == EC_DEVICE_LOST || code == EC_ERRORABORT || code == EC_USERABORT || code == EC_TALVINMUX_FINISHED)
            return code;
    }
    return 0;
}

// The files the recording wrote: the sink's file, or the splitting multiplexer's numbered
// pieces (the sink name and a three-digit number) or its one OpenDML file.
std::vector<std::string> OutputFiles(const std::string& sinkFile, const CMuxProfile* mux, ITalvinAVIMux* multiplexer) {
    if (!multiplexer || !mux) return {sinkFile};
    if (mux->MuxMode != 1) return {sinkFile + ".avi"};
    DWORD count = 0;
    multiplexer->GetFileCount(&count);
    std::vector<std::string> files;
    for (DWORD i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03lu", static_cast<unsigned long>(i));
        files.push_back(sinkFile + number + ".avi");
    }
    return files;
}

unsigned long long SizeOf(const std::vector<std::string>& files) {
    unsigned long long total = 0;
    for (const std::string& file : files) {
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        if (!error) total += size;
    }
    return total;
}

// The profiles a request names.
struct Chosen {
    CDeviceProfile* device = nullptr;
    CCompressorProfile* compressor = nullptr;
    CMuxProfile* mux = nullptr;
};

// Loads the profiles, finds the named ones and makes the engine's session for the device
// profile with its hardware settings applied. Without any device profile the first devices
// record video and sound (`headless`); nothing is previewed, since a headless recorder has no
// window to show it in. 0, or the exit status to end with.
int OpenSession(const Request& request, CCaptureEngine& engine, CDeviceProfile& headless, Chosen* chosen) {
    headless.CaptureVideoMode = 3;
    headless.CaptureAudioMode = 2;
    CProfileStore& store = engine.Store();
    // The program owns its files: a damaged one is left where it is for the program to set aside.
    store.LoadProfileFiles(CProfileStore::DamagedFiles::LeaveInPlace);
    if (!FindProfile(store.DeviceProfiles, request.device, store.CurrentDevice, "device", &chosen->device) ||
        !FindProfile(store.CompressorProfiles, request.compressor, store.CurrentCompressor, "compressor",
                     &chosen->compressor) ||
        !FindProfile(store.MuxProfiles, request.mux, store.CurrentMux, "mux", &chosen->mux))
        return 2;
    const bool stored = chosen->device != nullptr;
    if (!stored) chosen->device = &headless;
    engine.SelectCaptureDevices(stored ? chosen->device : nullptr);
    if (FAILED(engine.CreateGraphSession(chosen->device))) return 1;
    if (stored) engine.ApplyDeviceProfile(chosen->device);
    return 0;
}

// The recording's own figures, where the splitting multiplexer writes it.
void PrintMultiplexerStatistics(ITalvinAVIMux* mux) {
    if (!mux) return;
    DWORD video = 0, audio = 0, dropped = 0, samples = 0, inserted = 0, deleted = 0;
    double fps = 0, hertz = 0;
    mux->GetStatistics(&video, &audio, &dropped, &samples);
    mux->GetSyncCounts(&inserted, &deleted);
    mux->GetMeasuredRates(&fps, &hertz);
    DWORD files = 0;
    mux->GetFileCount(&files);
    std::printf("files written: %lu\n", static_cast<unsigned long>(files));
    std::printf("multiplexer video frames: %lu\n", static_cast<unsigned long>(video));
    std::printf("multiplexer audio frames: %lu\n", static_cast<unsigned long>(audio));
    std::printf("multiplexer dropped frames: %lu\n", static_cast<unsigned long>(dropped));
    std::printf("multiplexer audio samples: %lu\n", static_cast<unsigned long>(samples));
    std::printf("frames inserted: %lu\n", static_cast<unsigned long>(inserted));
    std::printf("frames deleted: %lu\n", static_cast<unsigned long>(deleted));
    std::printf("measured frames per second: %.3f\n", fps);
    std::printf("measured sampling frequency: %.1f\n", hertz);
}

// Numbered still images go on after the last file the directory holds rather than
// overwriting it: a script's earlier pictures are kept even though the number is not saved.
void SkipTakenStillNumbers(COptionProfile& options) {
    if (options.StillNaming != 1) return;
    for (int tries = 0; tries < 10000; ++tries) {
        COptionProfile probe = options;
        std::error_code error;
        if (!std::filesystem::exists(NextStillImagePath(probe, std::time(nullptr)), error)) return;
        options.StillNumber = probe.StillNumber;
    }
}

}  // namespace

int TakeStill(const Request& request) {
    StderrReports reports;
    RegisterMissingModules(ExecutableDirectory(), ProgramFilterModules(), &reports);
    CCaptureEngine engine(request.profileDirectory, nullptr);
    engine.SetMessageBar(&reports);
    CDeviceProfile headless;
    Chosen chosen;
    if (const int status = OpenSession(request, engine, headless, &chosen)) return status;
    SkipTakenStillNumbers(engine.Store().Options);
    const HRESULT hr = engine.CaptureStillImage(chosen.device);
    if (hr == E_POINTER) {
        std::fprintf(stderr, "qdrecord: there is no video device to take a still image from\n");
        return 1;
    }
    if (FAILED(hr)) return 1;
    std::printf("file: %s\n", engine.StillImagePath().c_str());
    return 0;
}

int Record(const Request& request) {
    StderrReports reports;
    RegisterMissingModules(ExecutableDirectory(), ProgramFilterModules(), &reports);
    CCaptureEngine engine(request.profileDirectory, nullptr);
    engine.SetMessageBar(&reports);
    CDeviceProfile headless;
    Chosen chosen;
    if (const int status = OpenSession(request, engine, headless, &chosen)) return status;
    CDeviceProfile* device = chosen.device;
    CCompressorProfile* compressor = chosen.compressor;
    CMuxProfile* mux = chosen.mux;
    engine.BindCompressors(compressor);  // what is missing is reported and recorded without
    const HRESULT built = engine.BuildCaptureGraph(device, compressor, mux, nullptr);
    if (FAILED(built)) {
        if (reports.lines.empty())
            std::fprintf(stderr, "qdrecord: the recording graph cannot be built (%08x): a device the profile names is "
                                 "missing\n", static_cast<unsigned>(built));
        const std::string& directory = engine.OutputDirectory();
        if (!directory.empty() && !std::filesystem::is_directory(directory))
            std::fprintf(stderr, "qdrecord: the output directory \"%s\" does not exist\n", directory.c_str());
        else if (!CanCreateFilesIn(directory.c_str()))
            std::fprintf(stderr, "qdrecord: no file can be created in the output directory \"%s\"\n",
                         directory.empty() ? "." : directory.c_str());
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
    ComPtr<ITalvinAVIMux> multiplexer = engine.Session().AviMuxControl;  // the stop lets the session go
    const HRESULT stopped = engine.StopGraph();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // Read from the stopped filters, so the counts include the frames the stop still wrote.
    const RecordingStatistics statistics = ReadRecordingStatistics(engine.Session());
    const LONG captured = statistics.Captured, dropped = statistics.Dropped;
    engine.TearDownGraph();
    termination::StopWatchingSignals();

    const std::vector<std::string> files = OutputFiles(engine.SinkFileName(), mux, multiplexer.Get());
    for (const std::string& file : files) std::printf("file: %s\n", file.c_str());
    const unsigned long long bytes = SizeOf(files);
    std::printf("frames captured: %ld\n", static_cast<long>(captured));
    std::printf("frames dropped: %ld\n", static_cast<long>(dropped));
    std::printf("seconds: %.2f\n", elapsed);
    std::printf("frames per second: %.2f\n", elapsed > 0 ? captured / elapsed : 0.0);
    std::printf("bytes written: %llu\n", bytes);
    std::printf("free space at start: %llu\n", static_cast<unsigned long long>(engine.FreeSpaceAtBuild()));
    PrintMultiplexerStatistics(multiplexer.Get());
    if (ended == EC_TALVINMUX_FINISHED)
        std::printf("the multiplexer ended the recording at its file limit\n");
    if (ended == EC_DEVICE_LOST) {
        std::fprintf(stderr, "qdrecord: the device was lost; the file holds what was recorded until then\n");
        return 1;
    }
    if (ended != 0 && ended != EC_TALVINMUX_FINISHED) {
        std::fprintf(stderr, "qdrecord: the recording was ended by an error (event %ld)\n", static_cast<long>(ended));
        return 1;
    }
    return FAILED(stopped) ? 1 : 0;
}

}  // namespace qdrecord

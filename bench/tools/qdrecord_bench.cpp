// CPU time per frame of qdrecord recording the virtual TV card through x264 at the ultrafast
// preset (video and sound into an AVI file), against the same work as one gst-launch-1.0
// pipeline, in the same run.
//
// Both sides run as child processes and are measured from the kernel's accounting (wait4):
// each runs once for a long and once for a short time, and the difference of the two runs'
// CPU time is divided by the difference of their frames, so start-up costs cancel out.
// qdrecord records the card at 1280x720, as the profile directory's device profile says (the
// size is read back from the file with ffprobe and given to the pipeline); the pipeline's
// encoder gets the settings the saved compressor state changes, as the recording's encoder does.
#include <benchmark/benchmark.h>


#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bench/media/bench_support.h"
#include "bench/media/card_picture_launch.h"
#include "bench/tools/record_profiles.h"
#include "platform/com/com_runtime.h"
#include "platform/media/devices/device_catalog.h"

// After the platform's headers, whose names the system's macros would otherwise replace.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kLongSeconds = 12;
constexpr int kShortSeconds = 2;
constexpr double kFrameRate = 30000.0 / 1001.0;

struct ChildRun {
    bool ok = false;
    double cpuSeconds = 0;
    std::string output;
};

// Runs `args` with its standard output in `outputFile`; the child's CPU seconds.
ChildRun Spawn(std::vector<std::string> args, const fs::path& outputFile) {
    ChildRun run;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return run;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.cpuSeconds = bench::CpuSeconds(usage);
    std::ifstream in(outputFile);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
}

struct Recording {
    ChildRun run;
    long frames = 0;
    std::string file;
};

Recording RunQdrecord(const fs::path& binDir, const fs::path& work, int seconds) {
    Recording r;
    r.run = Spawn({(binDir / "qdrecord").string(), "--profiles", (work / "profiles").string(), "--seconds",
                   std::to_string(seconds)},
                  work / "qdrecord.txt");
    std::smatch match;
    if (std::regex_search(r.run.output, match, std::regex("frames captured: (\\d+)"))) r.frames = std::stol(match[1]);
    if (std::regex_search(r.run.output, match, std::regex("file: (.*)\n"))) r.file = match[1];
    return r;
}

// The first video stream's size ("WxH") as ffprobe reads it.
std::string VideoSize(const fs::path& work, const std::string& file) {
    const ChildRun probe = Spawn({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                                  "stream=width,height", "-of", "csv=s=x:p=0", file},
                                 work / "ffprobe.txt");
    std::string size = probe.output.substr(0, probe.output.find('\n'));
    return probe.ok ? size : std::string();
}

ChildRun RunLaunch(const fs::path& work, const std::string& size, int frames, const std::vector<std::string>& encoder) {
    const auto x = size.find('x');
    // The card's sound comes in buffers of a tenth of a second, each a chunk of the file: the same here.
    const int audioBuffers = static_cast<int>(frames / kFrameRate * 10);
    std::vector<std::string> args = {"gst-launch-1.0", "-q", "avimux", "name=m", "!", "filesink",
                                     "location=" + (work / "launch.avi").string()};
    const std::vector<std::string> picture =
        bench::CardPictureLaunchArgs(std::stoi(size.substr(0, x)), std::stoi(size.substr(x + 1)), frames);
    args.insert(args.end(), picture.begin(), picture.end());
    args.insert(args.end(), {"!", "videoconvert", "!", "x264enc"});
    args.insert(args.end(), encoder.begin(), encoder.end());
    const std::vector<std::string> audio = {"!", "m.", "audiotestsrc", "is-live=true", "samplesperbuffer=4800",
        "num-buffers=" + std::to_string(audioBuffers), "!",
        "audio/x-raw,format=S16LE,rate=48000,channels=2", "!", "m."};
    args.insert(args.end(), audio.begin(), audio.end());
    return Spawn(args, work / "launch.txt");
}

void BM_QdrecordX264CpuPerFrame(benchmark::State& state, fs::path binDir) {
    char pattern[] = "/tmp/qd-qdrecord-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const fs::path work = pattern;
    fs::create_directories(work / "profiles");
    fs::create_directories(work / "movies");
    std::string error, size;
    std::vector<std::string> encoder;
    double qdMs = 0, launchMs = 0;
    for (auto _ : state) {
        if (!bench::WriteX264RecordProfiles((work / "profiles").string() + "/", bench::RecordSetup{}, error, &encoder)) {
            state.SkipWithError(error.c_str());
            break;
        }
        fs::current_path(work / "movies");
        const Recording shortRun = RunQdrecord(binDir, work, kShortSeconds);
        const Recording longRun = RunQdrecord(binDir, work, kLongSeconds);
        if (!shortRun.run.ok || !longRun.run.ok || longRun.frames <= shortRun.frames) {
            state.SkipWithError("qdrecord failed");
            break;
        }
        size = VideoSize(work, (work / "movies" / longRun.file).string());
        if (size.empty()) size = VideoSize(work, longRun.file);
        const int shortFrames = static_cast<int>(kShortSeconds * kFrameRate);
        const int longFrames = static_cast<int>(kLongSeconds * kFrameRate);
        const ChildRun launchShort = RunLaunch(work, size, shortFrames, encoder);
        const ChildRun launchLong = RunLaunch(work, size, longFrames, encoder);
        if (size.empty() || !launchShort.ok || !launchLong.ok) {
            state.SkipWithError("gst-launch-1.0 failed");
            break;
        }
        qdMs = (longRun.run.cpuSeconds - shortRun.run.cpuSeconds) * 1000 / static_cast<double>(longRun.frames - shortRun.frames);
        launchMs = (launchLong.cpuSeconds - launchShort.cpuSeconds) * 1000 / (longFrames - shortFrames);
    }
    std::error_code ignored;
    fs::current_path("/", ignored);
    fs::remove_all(work, ignored);
    state.SetLabel(size);
    state.counters["qdrecord_cpu_ms_per_frame"] = qdMs;
    state.counters["launch_cpu_ms_per_frame"] = launchMs;
    state.counters["qdrecord_to_launch_ratio"] = launchMs > 0 ? qdMs / launchMs : 0;
}

// A home, configuration and runtime directory of the benchmark's own, inherited by qdrecord.
void IsolateEnvironment() {
    char pattern[] = "/tmp/qd-qdrecord-home-XXXXXX";
    if (!mkdtemp(pattern)) return;
    const std::string home = pattern;
    fs::create_directories(home + "/run");
    fs::permissions(home + "/run", fs::perms::owner_all);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
    setenv("QUILLDECK_HIDE_REAL_DEVICES", "1", 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace

int main(int argc, char** argv) {
    IsolateEnvironment();
    if (FAILED(CoInitialize(nullptr))) return 1;
    media::SetRealDevicesHidden(true);
    const fs::path binDir = fs::canonical("/proc/self/exe").parent_path();
    benchmark::RegisterBenchmark("BM_QdrecordX264CpuPerFrame", BM_QdrecordX264CpuPerFrame, binDir)
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CoUninitialize();
    return 0;
}

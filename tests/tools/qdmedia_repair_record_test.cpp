// Recordings of the virtual TV card killed with SIGKILL while `qdmedia record` writes them, through
// the platform's AVI multiplexer and the splitting multiplexer (a numbered AVI 1.0 piece and an
// OpenDML file), then mended by `qdmedia repair` and read to their end by ffprobe and by
// GStreamer's discoverer.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/media/devices/recording_fixture.h"
#include "tests/tools/qdmedia_fixture.h"

extern char** environ;

namespace media::test {
namespace {

struct KilledRecording {
    const char* name;
    const char* sinkOptions;
    const char* file;  // the file the multiplexer writes
};
void PrintTo(const KilledRecording& recording, std::ostream* out) { *out << recording.name; }

// What ffprobe says of the first video stream: its packets read to the end, its duration
// (negative when it gives none) and its frame rate.
struct ProbedVideo {
    long packets = -1;
    double seconds = -1;
    double fps = 0;
};

ProbedVideo ProbeVideo(const fs::path& file) {
    ProbedVideo probed;
    FILE* pipe = popen(("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                        "stream=nb_read_packets,duration,r_frame_rate -of default=noprint_wrappers=1 '" +
                        file.string() + "' 2>/dev/null")
                           .c_str(),
                       "r");
    if (!pipe) return probed;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        const std::string text(line);
        const std::string value = text.substr(text.find('=') + 1);
        if (text.rfind("nb_read_packets=", 0) == 0) probed.packets = std::atol(value.c_str());
        if (text.rfind("duration=", 0) == 0 && value.rfind("N/A", 0) != 0) probed.seconds = std::atof(value.c_str());
        if (text.rfind("r_frame_rate=", 0) == 0) {
            const double numerator = std::atof(value.c_str());
            const double denominator = std::atof(value.substr(value.find('/') + 1).c_str());
            if (denominator > 0) probed.fps = numerator / denominator;
        }
    }
    pclose(pipe);
    return probed;
}

// A number after "label: " in the tool's output as a real number, or -1.
double SecondsAfter(const std::string& output, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(label + ": ([0-9.]+)"))) return -1;
    return std::stod(match[1]);
}

class QdmediaRepairKilled : public QdmediaTool, public testing::WithParamInterface<KilledRecording> {
protected:
    // Starts a long recording into `out.avi` and kills it with SIGKILL once its file holds
    // `bytes` (the card's frames are 600 kB), or after fifteen seconds.
    void RecordAndKill(const std::string& sinkOptions, const fs::path& watched, std::uintmax_t bytes) {
        std::vector<std::string> words{QDMEDIA_TOOL, "record", "--device", "@device:virtual:tv-card"};
        for (std::size_t at = 0; sinkOptions[at];) {
            const std::size_t space = std::min(sinkOptions.find(' ', at), sinkOptions.size());
            words.push_back(sinkOptions.substr(at, space - at));
            at = space + (space < sinkOptions.size());
        }
        for (const char* word : {"--seconds", "30"}) words.emplace_back(word);
        words.push_back((dir_ / "out.avi").string());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t child = -1;
        ASSERT_EQ(0, posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        std::error_code error;
        while (std::chrono::steady_clock::now() < deadline &&
               !(fs::exists(watched, error) && fs::file_size(watched, error) >= bytes))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the recording ended by itself";
    }
};

TEST_P(QdmediaRepairKilled, IsReadToItsLastFrameAfterTheRepair) {
    if (std::string(GetParam().sinkOptions).find("split") != std::string::npos) {
        const ToolRun registered = RegisterSplittingMultiplexer();
        ASSERT_EQ(0, registered.status) << registered.output;
    }
    ASSERT_TRUE(EnsureGstStarted());
    const fs::path file = dir_ / GetParam().file;
    RecordAndKill(GetParam().sinkOptions, file, 30u << 20);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_LE(ProbeVideo(file).seconds, 0.0) << "a recording cut off has no duration before the repair";

    const ToolRun run = Run("repair '" + file.string() + "'");
    ASSERT_EQ(0, run.status) << run.output;
    ASSERT_NE(std::string::npos, run.output.find(": repaired")) << run.output;
    const long frames = CountAfter(run.output, "frames");
    const double seconds = SecondsAfter(run.output, "seconds");
    ASSERT_GT(frames, 20) << run.output;

    const ProbedVideo video = ProbeVideo(file);
    ASSERT_GT(video.fps, 0);
    EXPECT_EQ(frames, video.packets);
    EXPECT_NEAR(frames / video.fps, video.seconds, 1.0 / video.fps);
    const Discovered found = Discover(file);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_EQ(1, found.audioStreams);
    EXPECT_NEAR(seconds, found.seconds, 1.0 / video.fps) << run.output;

    const ToolRun again = Run("repair '" + file.string() + "'");
    EXPECT_EQ(0, again.status);
    EXPECT_NE(std::string::npos, again.output.find("nothing to repair")) << again.output;
}

INSTANTIATE_TEST_SUITE_P(
    Multiplexers, QdmediaRepairKilled,
    testing::Values(KilledRecording{"PlatformAviMultiplexer", "", "out.avi"},
                    KilledRecording{"SplittingMultiplexerAvi1Piece", "--sink split", "out000.avi"},
                    KilledRecording{"SplittingMultiplexerOpenDml", "--sink split --avi2", "out.avi"}),
    [](const testing::TestParamInfo<KilledRecording>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace media::test

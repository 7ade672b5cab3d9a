// Runs `qdrecord` on the virtual TV card with a profile directory of its own and reads the file
// it writes with ffprobe, as a player would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>


#include "profiles/mux_profile.h"
#include "profiles/profile_store.h"
#include "tests/support/temp_environment.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun RunCommand(const std::string& command) {
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// One number ffprobe prints for the first stream of a kind ("v" or "a"), or -1.
double ProbeStream(const fs::path& file, const char* kind, const char* entry) {
    const ToolRun run = RunCommand("ffprobe -v error -select_streams " + std::string(kind) + ":0 -show_entries stream=" +
                                   entry + " -of default=noprint_wrappers=1:nokey=1 '" + file.string() + "'");
    if (run.status != 0 || run.output.empty()) return -1;
    return std::atof(run.output.c_str());
}

class QdrecordTool : public testing::Test {
protected:
    void SetUp() override {
        profiles_ = environment_.Root() / "profiles";
        work_ = environment_.Root() / "work";
        fs::create_directories(profiles_);
        fs::create_directories(work_);
    }

    // The tool in the working directory, its output and error text together. Its own leak
    // report is off: the test judges what it writes, not how the process ends.
    ToolRun Run(const std::string& arguments) {
        return RunCommand("cd '" + work_.string() + "' && ASAN_OPTIONS=detect_leaks=0 " QDRECORD_TOOL " --profiles '" +
                          profiles_.string() + "' " + arguments + " 2>&1");
    }

    TempEnvironment environment_;
    fs::path profiles_, work_;
};

TEST_F(QdrecordTool, TenSecondsOnAFreshConfigurationGiveATenSecondFileInSync) {
    const ToolRun run = Run("--seconds 10");
    ASSERT_EQ(run.status, 0) << run.output;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.output, match, std::regex("file: (.*\\.avi)\n"))) << run.output;
    const fs::path file = fs::path(match[1].str()).is_absolute() ? fs::path(match[1].str()) : work_ / match[1].str();
    ASSERT_TRUE(fs::is_regular_file(file)) << file;
    EXPECT_TRUE(std::regex_search(run.output, std::regex("frames captured: [1-9]\\d*\n"))) << run.output;
    EXPECT_TRUE(std::regex_search(run.output, std::regex("frames dropped: 0\n"))) << run.output;

    const double video = ProbeStream(file, "v", "duration");
    const double samples = ProbeStream(file, "a", "nb_frames");
    const double rate = ProbeStream(file, "a", "sample_rate");
    ASSERT_GT(video, 0) << "no video stream";
    ASSERT_GT(samples, 0) << "no audio stream";
    ASSERT_GT(rate, 0);
    EXPECT_NEAR(video, 10.0, 0.2);
    EXPECT_NEAR(samples / rate, video, 0.040) << "audio and video end apart";
    ASSERT_TRUE(std::regex_search(run.output, match, std::regex("frames captured: (\\d+)\n"))) << run.output;
    EXPECT_EQ(std::stod(match[1].str()), ProbeStream(file, "v", "nb_frames")) << "the count must be the file's";
}

TEST_F(QdrecordTool, ProfileThatDoesNotExistIsACommandLineError) {
    const ToolRun run = Run("--device 'No Such Device' --seconds 1");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("no device profile named \"No Such Device\""), std::string::npos) << run.output;
}

TEST_F(QdrecordTool, LengthIsRequired) {
    EXPECT_EQ(Run("").status, 2);
    EXPECT_EQ(Run("--seconds -3").status, 2);
    EXPECT_EQ(Run("--seconds").status, 2);
}

TEST_F(QdrecordTool, MissingOutputDirectoryFailsWithTheSinksLabel) {
    {
        CProfileStore store(profiles_.string() + "/");
        store.Options.MovieDir = (work_ / "gone").string();
        store.Options.MovieFile = "news";
        ASSERT_TRUE(store.SaveProfileFiles());
    }
    const ToolRun run = Run("--seconds 1");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(" - ICaptureGraphBuilder2 SetOutputFileName"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("does not exist"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(work_ / "gone"));
}

TEST_F(QdrecordTool, DirectoryThatTakesNoFilesFailsWithTheSinksLabel) {
    {
        CProfileStore store(profiles_.string() + "/");
        store.Options.MovieDir = "/proc";  // not writable, for root too
        store.Options.MovieFile = "news";
        ASSERT_TRUE(store.SaveProfileFiles());
    }
    const ToolRun run = Run("--seconds 1");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(" - ICaptureGraphBuilder2 SetOutputFileName"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("no file can be created in the output directory \"/proc/\""), std::string::npos)
        << run.output;
}

// ---- The splitting multiplexer ending a recording, still images ----

TEST_F(QdrecordTool, SplittingMultiplexerEndsTheRecordingAtItsFileLimit) {
    {
        CProfileStore store(profiles_.string() + "/");
        store.Options.MovieDir = work_.string();
        store.Options.MovieFile = "split";
        store.Options.MovieNaming = 0;
        auto mux = std::make_unique<CMuxProfile>();
        mux->Name = "three pieces";
        mux->MuxMode = 1;  // numbered AVI 1.0 pieces
        mux->SplitMode = 0;  // by size
        mux->SplitMaxFiles = 3;
        mux->SplitMaxFileSizeMB = 1;
        store.CurrentMux = mux.get();
        store.MuxProfiles.push_back(std::move(mux));
        ASSERT_TRUE(store.SaveProfileFiles());
    }
    // Uncompressed video fills three 1 MiB pieces in about a second; the length asked for is
    // never reached.
    const ToolRun run = Run("--seconds 60");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("the multiplexer ended the recording at its file limit"), std::string::npos) << run.output;
    EXPECT_TRUE(std::regex_search(run.output, std::regex("files written: 3\n"))) << run.output;
    // Numbered pieces follow the name and a dash.
    for (const char* piece : {"split-000.avi", "split-001.avi", "split-002.avi"}) {
        EXPECT_NE(run.output.find("file: " + (work_ / piece).string() + "\n"), std::string::npos) << run.output;
        ASSERT_TRUE(fs::is_regular_file(work_ / piece)) << piece << "\n" << run.output;
        EXPECT_LE(fs::file_size(work_ / piece), 1u << 20) << piece;
        EXPECT_GT(ProbeStream(work_ / piece, "v", "width"), 0) << piece << " does not play";
    }
    EXPECT_FALSE(fs::exists(work_ / "split-003.avi"));
    std::smatch seconds;
    ASSERT_TRUE(std::regex_search(run.output, seconds, std::regex("seconds: ([0-9.]+)\n"))) << run.output;
    EXPECT_LT(std::atof(seconds[1].str().c_str()), 30.0) << "the recording ran on after the last piece";
}

class QdrecordStill : public QdrecordTool {
protected:
    void SetUp() override {
        QdrecordTool::SetUp();
        CProfileStore store(profiles_.string() + "/");
        store.Options.StillDir = work_.string();
        store.Options.StillFile = "shot";
        store.Options.StillNaming = 1;  // numbered
        store.Options.StillNumber = 0;
        ASSERT_TRUE(store.SaveProfileFiles());
    }

    // The file a still run printed, checked to be a whole 640 x 480 RGB24 bitmap.
    fs::path StillFile(const ToolRun& run) {
        std::smatch match;
        if (!std::regex_search(run.output, match, std::regex("file: (.*\\.bmp)\n"))) return {};
        const fs::path file(match[1].str());
        std::ifstream in(file, std::ios::binary);
        char magic[2] = {};
        in.read(magic, 2);
        EXPECT_EQ(std::string(magic, 2), "BM") << file;
        EXPECT_EQ(fs::file_size(file), 921654u) << file;
        return file;
    }
};

TEST_F(QdrecordStill, TakesAStillImageNamedByTheOptions) {
    const ToolRun run = Run("--still");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(StillFile(run), work_ / "shot-0000.bmp") << run.output;
}

TEST_F(QdrecordStill, NumberedStillImagesNeverOverwriteAnEarlierOne) {
    const ToolRun first = Run("--still");
    ASSERT_EQ(first.status, 0) << first.output;
    const auto firstWritten = fs::last_write_time(work_ / "shot-0000.bmp");
    const ToolRun second = Run("--still");
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_EQ(StillFile(second), work_ / "shot-0001.bmp") << second.output;
    EXPECT_EQ(fs::last_write_time(work_ / "shot-0000.bmp"), firstWritten);
}

TEST_F(QdrecordStill, StillAndLengthTogetherAreACommandLineError) {
    EXPECT_EQ(Run("--still --seconds 2").status, 2);
    EXPECT_FALSE(fs::exists(work_ / "shot-0000.bmp"));
}

}  // namespace

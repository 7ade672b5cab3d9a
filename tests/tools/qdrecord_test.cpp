// Runs `qdrecord` on the virtual TV card with a profile directory of its own and reads the file
// it writes with ffprobe, as a player would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

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

}  // namespace

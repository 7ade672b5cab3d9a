// Runs the qdprofiles tool on directories the store wrote.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "profiles/profile_store.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string output;
};

ToolRun RunTool(const std::string& arguments) {
    const std::string command = std::string(QDPROFILES_TOOL) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class QdprofilesTool : public testing::Test {
protected:
    QdprofilesTool() : dir_(env_.Root() / "profiles") {
        fs::create_directories(dir_);
        CProfileStore store(dir_.string() + "/");
        store.DeviceProfiles.push_back(std::make_unique<CDeviceProfile>());
        store.DeviceProfiles[0]->Name = "\x83\x65\x83\x58\x83\x67";  // テスト
        store.DeviceProfiles[0]->AudioCaptureFormat = {0x01, 0x00, 0xAB};
        store.CurrentDevice = store.DeviceProfiles[0].get();
        store.ChannelProfiles.push_back(std::make_unique<CChannelProfile>());
        store.ChannelProfiles[0]->Name = "\xFF\x80";  // bytes that are no code page 932 text
        store.VideoFilterProfiles.push_back(std::make_unique<CFilterProfile>());
        store.VideoFilterProfiles[0]->Nodes.resize(2);
        EXPECT_TRUE(store.SaveProfileFiles());
    }

    TempEnvironment env_;
    fs::path dir_;
};

TEST_F(QdprofilesTool, ResaveLeavesEveryFileByteIdentical) {
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(dir_)) before[entry.path().filename()] = ReadText(entry.path());
    ASSERT_EQ(before.size(), 8u);
    const ToolRun run = RunTool("resave " + dir_.string());
    EXPECT_EQ(run.status, 0) << run.output;
    std::map<std::string, std::string> after;
    for (const auto& entry : fs::directory_iterator(dir_)) after[entry.path().filename()] = ReadText(entry.path());
    EXPECT_EQ(after, before);
}

TEST_F(QdprofilesTool, DumpShowsTextAsUtf8AndOtherBytesAsHex) {
    const ToolRun run = RunTool("dump " + dir_.string());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\"Name\": \"テスト\""), std::string::npos) << run.output.substr(0, 400);
    EXPECT_NE(run.output.find("\"bytes\": \"ff80\""), std::string::npos);
    EXPECT_NE(run.output.find("\"AudioCaptureFormat\": \"0100ab\""), std::string::npos);
    EXPECT_NE(run.output.find("\"current\": 0"), std::string::npos);
}

TEST_F(QdprofilesTool, CheckNamesTheFileAndByteAndNeitherMovesNorRewritesIt) {
    EXPECT_EQ(RunTool("check " + dir_.string()).status, 0);
    std::ofstream(dir_ / "mux.dat", std::ios::binary | std::ios::trunc).write("\x66\x0A\0\0\x01", 5);
    const std::string damaged = ReadText(dir_ / "mux.dat");

    const ToolRun check = RunTool("check " + dir_.string());
    EXPECT_NE(check.status, 0);
    EXPECT_NE(check.output.find("mux.dat"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("byte 4"), std::string::npos) << check.output;

    const ToolRun resave = RunTool("resave " + dir_.string());
    EXPECT_NE(resave.status, 0);
    EXPECT_EQ(ReadText(dir_ / "mux.dat"), damaged);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 8);
}

TEST_F(QdprofilesTool, SetOptionChangesOneOptionAndKeepsTheRest) {
    EXPECT_EQ(RunTool("set-option " + dir_.string() + " WriteLog 1").status, 0);
    EXPECT_EQ(RunTool("set-option " + dir_.string() + " LogFile /tmp/log.txt").status, 0);
    CProfileStore store(dir_.string() + "/");
    store.LoadProfileFiles(CProfileStore::DamagedFiles::LeaveInPlace);
    EXPECT_EQ(store.Options.WriteLog, 1u);
    EXPECT_EQ(store.Options.LogFile, "/tmp/log.txt");
    ASSERT_EQ(store.DeviceProfiles.size(), 1u);
    EXPECT_EQ(store.DeviceProfiles[0]->Name, "\x83\x65\x83\x58\x83\x67");
}

TEST_F(QdprofilesTool, SetOptionRefusesUnknownNamesAndBadNumbers) {
    const std::string before = ReadText(dir_ / "option.dat");
    for (const char* arguments : {" NoSuchOption 1", " WriteLog yes", " WriteLog -1", " WriteLog 99999999999", " WriteLog"}) {
        const ToolRun run = RunTool("set-option " + dir_.string() + arguments);
        EXPECT_EQ(run.status, 2) << arguments << ": " << run.output;
    }
    EXPECT_EQ(ReadText(dir_ / "option.dat"), before);
}

}  // namespace

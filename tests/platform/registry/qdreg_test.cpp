// The qdreg command-line tool, run as another program would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

std::string Quote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ToolRun RunQdreg(const std::vector<std::string>& args) {
    std::string command = QDREG_PATH;
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

constexpr const char* kRecord = "HKEY_CURRENT_USER\\Software\\Talvin\\Quilldeck2\\Record\\0";

class QdregTool : public ::testing::Test {
protected:
    TempEnvironment env_;
};

TEST_F(QdregTool, LeavesAReservationTheProgramCanRead) {
    EXPECT_EQ(0, RunQdreg({"set", kRecord, "Comment", "sz", "ニュース"}).status);
    EXPECT_EQ(0, RunQdreg({"set", kRecord, "Channel", "dword", "0x10"}).status);
    EXPECT_EQ(0, RunQdreg({"set", kRecord, "startSysTime", "binary", "e8,07,01,00"}).status);

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Talvin\\Quilldeck2\\Record\\0", 0, KEY_READ, &key));
    DWORD channel = 0, size = sizeof channel, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Channel", nullptr, &type, reinterpret_cast<BYTE*>(&channel), &size));
    EXPECT_EQ(16u, channel);
    char comment[32] = {};
    size = sizeof comment;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Comment", nullptr, &type, reinterpret_cast<BYTE*>(comment), &size));
    EXPECT_EQ(std::string("\x83\x6a\x83\x85\x81\x5b\x83\x58\0", 9), std::string(comment, size));
    RegCloseKey(key);

    const ToolRun query = RunQdreg({"query", kRecord});
    EXPECT_EQ(0, query.status);
    EXPECT_NE(std::string::npos, query.output.find("Comment    REG_SZ    ニュース")) << query.output;
    EXPECT_NE(std::string::npos, query.output.find("Channel    REG_DWORD    0x10 (16)")) << query.output;
    EXPECT_NE(std::string::npos, query.output.find("startSysTime    REG_BINARY    E8070100")) << query.output;
    const ToolRun one = RunQdreg({"query", "HKCU\\Software\\Talvin\\Quilldeck2\\Record\\0", "channel"});
    EXPECT_EQ(0, one.status);
    EXPECT_NE(std::string::npos, one.output.find("0x10")) << one.output;
}

TEST_F(QdregTool, DeletesValuesAndKeysAndExportsTheHive) {
    ASSERT_EQ(0, RunQdreg({"set", kRecord, "@", "sz", "default"}).status);
    ASSERT_EQ(0, RunQdreg({"set", kRecord, "x", "dword", "1"}).status);
    EXPECT_EQ(0, RunQdreg({"delete", kRecord, "x"}).status);
    EXPECT_EQ(1, RunQdreg({"query", kRecord, "x"}).status);
    EXPECT_NE(std::string::npos, RunQdreg({"query", kRecord, "@"}).output.find("(Default)    REG_SZ    default"));

    const ToolRun exported = RunQdreg({"export", "HKEY_CURRENT_USER"});
    EXPECT_EQ(0, exported.status);
    std::ifstream hive(env_.ConfigHome() / "quilldeck" / "registry" / "HKEY_CURRENT_USER.reg");
    std::stringstream content;
    content << hive.rdbuf();
    EXPECT_EQ(content.str(), exported.output);

    EXPECT_EQ(0, RunQdreg({"delete", "HKEY_CURRENT_USER\\Software\\Talvin"}).status);
    const ToolRun gone = RunQdreg({"query", kRecord});
    EXPECT_EQ(1, gone.status);
    EXPECT_NE(std::string::npos, gone.output.find("not found")) << gone.output;
}

struct BadCommandLine {
    const char* label;
    std::vector<std::string> args;
    const char* message;
};

class QdregBadCommandLine : public QdregTool, public ::testing::WithParamInterface<BadCommandLine> {};

TEST_P(QdregBadCommandLine, IsRefusedWithAMessageAndStatusTwo) {
    const ToolRun run = RunQdreg(GetParam().args);
    EXPECT_EQ(2, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(GetParam().message)) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("usage:")) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QdregBadCommandLine,
    ::testing::Values(BadCommandLine{"NoCommand", {}, "a command is needed"},
                      BadCommandLine{"UnknownCommand", {"list"}, "unknown command \"list\""},
                      BadCommandLine{"UnknownRoot", {"query", "HKEY_USERS\\x"}, "does not start with"},
                      BadCommandLine{"BadType", {"set", kRecord, "v", "qword", "1"}, "TYPE \"qword\""},
                      BadCommandLine{"BadNumber", {"set", kRecord, "v", "dword", "12x"}, "not a number"},
                      BadCommandLine{"NumberTooBig", {"set", kRecord, "v", "dword", "4294967296"}, "not a number"},
                      BadCommandLine{"NegativeNumber", {"set", kRecord, "v", "dword", "-1"}, "not a number"},
                      BadCommandLine{"BadBytes", {"set", kRecord, "v", "binary", "0g"}, "hex bytes"},
                      BadCommandLine{"OddBytes", {"set", kRecord, "v", "binary", "012"}, "hex bytes"},
                      BadCommandLine{"NoCp932Form", {"set", kRecord, "v", "sz", "\xF0\x9F\x8E\xA5"}, "code page 932"},
                      BadCommandLine{"MissingData", {"set", kRecord, "v", "sz"}, "set takes"},
                      BadCommandLine{"RootDeletion", {"delete", "HKCU"}, "root key cannot be deleted"},
                      BadCommandLine{"ExportOfAKey", {"export", kRecord}, "ROOT"}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace

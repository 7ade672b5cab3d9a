// The hive files as other processes and programs see them: changes made elsewhere become
// visible, concurrent writers lose nothing, and a damaged file is set aside.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"

namespace {

namespace fs = std::filesystem;

// Runs body in a forked child and returns its exit status (body's result, or -1 when the child
// died).
template <typename Body>
pid_t StartChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
}

int WaitForChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

template <typename Body>
int RunInChild(Body body) {
    return WaitForChild(StartChild(body));
}

HKEY CreateKey(const char* path) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG QueryDword(HKEY key, const char* name, DWORD* value) {
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
}

class HiveStoreTest : public ::testing::Test {
protected:
    fs::path Directory() const { return env_.ConfigHome() / "quilldeck" / "registry"; }
    fs::path HiveFile() const { return Directory() / "HKEY_CURRENT_USER.reg"; }

    void WriteHive(const std::string& text) const {
        fs::create_directories(Directory());
        std::ofstream(HiveFile(), std::ios::binary) << text;
    }

    std::vector<fs::path> DamagedFiles() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(Directory()))
            if (entry.path().filename().string().rfind("HKEY_CURRENT_USER.reg.damaged-", 0) == 0) found.push_back(entry.path());
        return found;
    }

    TempEnvironment env_;
};

TEST_F(HiveStoreTest, AnotherProcessSeesWhatOneWrote) {
    HKEY key = CreateKey("Software\\Shared");
    ASSERT_NE(nullptr, key);
    DWORD value = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, QueryDword(key, "fromChild", &value));  // the parent has read the hive

    EXPECT_EQ(0, RunInChild([] {
        HKEY child = CreateKey("Software\\Shared");
        return child && SetDword(child, "fromChild", 42) == ERROR_SUCCESS ? 0 : 1;
    }));
    ASSERT_EQ(ERROR_SUCCESS, QueryDword(key, "fromChild", &value));
    EXPECT_EQ(42u, value);

    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "fromParent", 7));
    EXPECT_EQ(0, RunInChild([] {
        HKEY child = CreateKey("Software\\Shared");
        DWORD seen = 0;
        return child && QueryDword(child, "fromParent", &seen) == ERROR_SUCCESS && seen == 7 ? 0 : 1;
    }));
    RegCloseKey(key);
}

TEST_F(HiveStoreTest, AKeyDeletedByAnotherProcessIsDeletedHere) {
    HKEY key = CreateKey("Software\\Doomed");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    EXPECT_EQ(0, RunInChild([] { return RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Doomed") == ERROR_SUCCESS ? 0 : 1; }));
    DWORD value = 0;
    EXPECT_EQ(ERROR_KEY_DELETED, QueryDword(key, "v", &value));
    EXPECT_EQ(ERROR_KEY_DELETED, SetDword(key, "v", 2));
    RegCloseKey(key);
}

TEST_F(HiveStoreTest, ConcurrentWritersInTwoProcessesLoseNothing) {
    constexpr int kValuesEach = 200;
    auto writer = [](char prefix) {
        return [prefix] {
            HKEY key = CreateKey("Software\\Concurrent");
            if (!key) return 1;
            for (int i = 0; i < kValuesEach; ++i) {
                const std::string name = prefix + std::to_string(i);
                if (SetDword(key, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS) return 2;
            }
            return RegCloseKey(key) == ERROR_SUCCESS ? 0 : 3;
        };
    };
    const pid_t first = StartChild(writer('A'));
    const pid_t second = StartChild(writer('B'));
    EXPECT_EQ(0, WaitForChild(first));
    EXPECT_EQ(0, WaitForChild(second));

    HKEY key = CreateKey("Software\\Concurrent");
    std::set<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[32];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(name);
    }
    EXPECT_EQ(2u * kValuesEach, names.size());
    for (int i = 0; i < kValuesEach; ++i) {
        EXPECT_TRUE(names.count("A" + std::to_string(i))) << i;
        EXPECT_TRUE(names.count("B" + std::to_string(i))) << i;
    }
    RegCloseKey(key);
}

TEST_F(HiveStoreTest, AFileEditedByAnotherProgramIsReadAgain) {
    HKEY key = CreateKey("Software\\Edited");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    WriteHive("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Edited]\n\"v\"=dword:00000002\n");
    DWORD value = 0;
    ASSERT_EQ(ERROR_SUCCESS, QueryDword(key, "v", &value));
    EXPECT_EQ(2u, value);
    RegCloseKey(key);
}

TEST_F(HiveStoreTest, ADamagedHiveIsReportedOnceAndSetAside) {
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\"v\"=dword:zz\n";
    WriteHive(damaged);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
    const std::string report = testing::internal::GetCapturedStderr();

    EXPECT_NE(std::string::npos, report.find(HiveFile().string() + ":4:")) << report;
    EXPECT_EQ(report.find("HKEY_CURRENT_USER.reg:"), report.rfind("HKEY_CURRENT_USER.reg:")) << "reported twice: " << report;
    const auto aside = DamagedFiles();
    ASSERT_EQ(1u, aside.size());
    std::ifstream in(aside[0], std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(damaged, content.str());

    HKEY fresh = CreateKey("Software\\Fresh");
    EXPECT_EQ(ERROR_SUCCESS, SetDword(fresh, "v", 1));
    RegCloseKey(fresh);
    EXPECT_TRUE(fs::exists(HiveFile()));
    EXPECT_EQ(1u, DamagedFiles().size());
}

TEST_F(HiveStoreTest, AHiveFileWithAForeignRootIsDamaged) {
    WriteHive("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(":3:"));
    EXPECT_EQ(1u, DamagedFiles().size());
}

std::set<std::string> FileNames(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
    return names;
}

TEST_F(HiveStoreTest, AFailedWriteReportsAnErrorAndKeepsTheOldState) {
    HKEY key = CreateKey("Software\\Full");
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    std::ifstream before(HiveFile(), std::ios::binary);
    std::stringstream saved;
    saved << before.rdbuf();
    const std::set<std::string> filesBefore = FileNames(Directory());
    // In a child whose files may not grow past a few bytes, every hive write fails.
    EXPECT_EQ(0, RunInChild([key] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (SetDword(key, "v", 2) == ERROR_SUCCESS) return 1;
        DWORD value = 0;
        return QueryDword(key, "v", &value) == ERROR_SUCCESS && value == 1 ? 0 : 2;
    }));
    std::ifstream after(HiveFile(), std::ios::binary);
    std::stringstream now;
    now << after.rdbuf();
    EXPECT_EQ(saved.str(), now.str());
    // The writer's temporary file ("<hive file>.tmp-XXXXXX") is gone again.
    const std::string tempPrefix = fs::path(HiveFile()).filename().string() + ".tmp-";
    for (const std::string& name : FileNames(Directory()))
        EXPECT_NE(0u, name.rfind(tempPrefix, 0)) << "temp file left: " << name;
    EXPECT_EQ(filesBefore, FileNames(Directory()));
    RegCloseKey(key);
}

TEST_F(HiveStoreTest, WithoutXdgConfigHomeTheHiveLivesUnderHome) {
    const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", env_.Root().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    HKEY key = CreateKey("Software\\AtHome");
    EXPECT_EQ(ERROR_SUCCESS, SetDword(key, "v", 1));
    RegCloseKey(key);
    EXPECT_TRUE(fs::exists(env_.Root() / ".config" / "quilldeck" / "registry" / "HKEY_CURRENT_USER.reg"));
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace

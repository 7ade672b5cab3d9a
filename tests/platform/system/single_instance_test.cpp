#include "platform/system/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/com/hresult.h"
#include "platform/system/last_error.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534;

// Sets or unsets an environment variable for the lifetime of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    ~ScopedVariable() {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// A start without $XDG_RUNTIME_DIR (cron, ssh, a service), with the shared temporary
// directory and the cache home inside this test's own directory.
class RuntimeDirectoryWithoutXdg : public testing::Test {
protected:
    RuntimeDirectoryWithoutXdg()
        : noRuntime_("XDG_RUNTIME_DIR", std::nullopt),
          tmp_("TMPDIR", (env_.Root() / "tmp").string()),
          cache_("XDG_CACHE_HOME", (env_.Root() / "cache").string()) {
        fs::create_directories(SharedTemp());
        fs::permissions(SharedTemp(), fs::perms::all | fs::perms::sticky_bit);
    }

    fs::path SharedTemp() const { return env_.Root() / "tmp"; }
    fs::path TempCandidate() const { return SharedTemp() / ("quilldeck-" + std::to_string(getuid())); }
    fs::path CacheRun() const { return env_.Root() / "cache" / "quilldeck" / "run"; }

    static void MakeDirectory(const fs::path& path, mode_t mode) {
        ASSERT_EQ(mkdir(path.c_str(), mode), 0);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    }

    static void RequireRoot() {
        if (geteuid() != 0) GTEST_SKIP() << "planting another user's directory needs root (CI runs as root)";
    }

    TempEnvironment env_;
    ScopedVariable noRuntime_, tmp_, cache_;
};

TEST_F(RuntimeDirectoryWithoutXdg, MissingTempDirectoryIsMadePrivateAndUsed) {
    const mode_t oldMask = umask(0022);
    const std::string dir = RuntimeDirectory();
    umask(oldMask);
    EXPECT_EQ(dir, TempCandidate().string() + "/");
    EXPECT_TRUE(IsPrivateDirectory(TempCandidate()));
    SingleInstanceLock lock("quilldeck");
    ASSERT_TRUE(lock.Acquire());
    EXPECT_EQ(lock.LockPath(), (TempCandidate() / "quilldeck.lock").string());
    EXPECT_TRUE(fs::exists(TempCandidate() / "quilldeck.lock"));
}

TEST_F(RuntimeDirectoryWithoutXdg, OwnPrivateTempDirectoryIsUsed) {
    MakeDirectory(TempCandidate(), 0700);
    EXPECT_EQ(RuntimeDirectory(), TempCandidate().string() + "/");
    SingleInstanceLock first("quilldeck");
    ASSERT_TRUE(first.Acquire());
    SingleInstanceLock second("quilldeck");
    EXPECT_FALSE(second.Acquire());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST_F(RuntimeDirectoryWithoutXdg, TempDirectoryOfAnotherUserIsNotUsed) {
    RequireRoot();
    MakeDirectory(TempCandidate(), 0700);
    ASSERT_EQ(chown(TempCandidate().c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(RuntimeDirectory(), CacheRun().string() + "/");
    SingleInstanceLock lock("quilldeck");
    ASSERT_TRUE(lock.Acquire());
    EXPECT_EQ(lock.LockPath(), (CacheRun() / "quilldeck.lock").string());
    EXPECT_EQ(lock.SocketPath(), (CacheRun() / "quilldeck.socket").string());
    EXPECT_TRUE(fs::is_empty(TempCandidate()));
    EXPECT_TRUE(IsPrivateDirectory(CacheRun()));
}

TEST_F(RuntimeDirectoryWithoutXdg, SymbolicLinkInPlaceOfTheTempDirectoryIsNotFollowed) {
    const fs::path target = env_.Root() / "elsewhere";
    MakeDirectory(target, 0700);  // a directory that would pass every check itself
    fs::create_directory_symlink(target, TempCandidate());
    EXPECT_EQ(RuntimeDirectory(), CacheRun().string() + "/");
    SingleInstanceLock lock("quilldeck");
    ASSERT_TRUE(lock.Acquire());
    EXPECT_TRUE(fs::is_empty(target));
}

TEST_F(RuntimeDirectoryWithoutXdg, OwnTempDirectoryWithALooserModeIsNotUsed) {
    MakeDirectory(TempCandidate(), 0755);
    EXPECT_EQ(RuntimeDirectory(), CacheRun().string() + "/");
    EXPECT_EQ(fs::status(TempCandidate()).permissions() & fs::perms::mask,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                  fs::perms::others_exec);  // refused, not changed
}

TEST_F(RuntimeDirectoryWithoutXdg, CacheDirectoryIsCheckedTheSameWay) {
    RequireRoot();
    MakeDirectory(TempCandidate(), 0700);
    ASSERT_EQ(chown(TempCandidate().c_str(), kOtherUser, kOtherUser), 0);
    fs::create_directories(CacheRun().parent_path());
    MakeDirectory(CacheRun(), 0700);
    ASSERT_EQ(chown(CacheRun().c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(RuntimeDirectory(), "");
    SingleInstanceLock lock("quilldeck");
    EXPECT_EQ(lock.LockPath(), "");
    EXPECT_FALSE(lock.Acquire());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::is_empty(CacheRun()));
}

TEST_F(RuntimeDirectoryWithoutXdg, InjectedBaseDirectoriesAreUsedAsGiven) {
    const fs::path shared = env_.Root() / "shared";
    fs::create_directories(shared);
    EXPECT_EQ(RuntimeDirectoryFor("/run/user/1234", shared.string(), ""), "/run/user/1234/");
    EXPECT_EQ(RuntimeDirectoryFor(nullptr, shared.string(), ""),
              (shared / ("quilldeck-" + std::to_string(getuid()))).string() + "/");
    EXPECT_EQ(RuntimeDirectoryFor("relative", "", "relative-cache"), "");
}

// The lock file in the user's runtime directory is never reached through a link, so a link
// planted there cannot make the program create or lock a file elsewhere.
TEST(SingleInstanceLockFile, SymbolicLinkAtTheLockPathIsNotFollowed) {
    TempEnvironment env;
    const fs::path target = env.Root() / "victim";
    fs::create_symlink(target, env.RuntimeDir() / "quilldeck.lock");
    SingleInstanceLock lock("quilldeck");
    EXPECT_FALSE(lock.Acquire());
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_FALSE(fs::exists(target));
}

}  // namespace

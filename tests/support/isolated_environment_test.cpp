// Every test program starts in a temporary home of its own, away from the user's files,
// devices, buses and sound server.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool Inside(const std::string& path, const std::filesystem::path& root) {
    const std::filesystem::path p(path);
    return p.is_absolute() && p.parent_path() == root;
}

TEST(IsolatedEnvironment, HomeAndXdgDirectoriesAreFreshDirectoriesOfOneTemporaryRoot) {
    const std::filesystem::path home(Env("HOME"));
    ASSERT_TRUE(home.is_absolute()) << home;
    const std::filesystem::path root = home.parent_path();
    EXPECT_EQ(0u, root.filename().string().rfind("quilldeck-test-home-", 0)) << root;
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(nullptr, user);
    EXPECT_NE(std::string(user->pw_dir), home.string());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Inside(Env(name), root)) << Env(name);
        EXPECT_TRUE(std::filesystem::is_directory(Env(name)));
    }
    struct stat info {};
    ASSERT_EQ(0, stat(Env("XDG_RUNTIME_DIR").c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777u);  // as a runtime directory must be
}

TEST(IsolatedEnvironment, NoBusOrSoundServerOfTheSessionIsReachable) {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    EXPECT_EQ("unix:path=" + runtime + "/bus", Env("DBUS_SESSION_BUS_ADDRESS"));
    EXPECT_EQ("unix:path=" + runtime + "/system_bus_socket", Env("DBUS_SYSTEM_BUS_ADDRESS"));
    if (Env("QUILLDECK_TEST_REAL_DEVICES") != "1") {
        for (const char* name : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PIPEWIRE_REMOTE", "PIPEWIRE_RUNTIME_DIR"})
            EXPECT_EQ(nullptr, std::getenv(name)) << name;
    }
}

TEST(IsolatedEnvironment, RealDevicesAreHiddenAndThePluginRegistryIsShared) {
    EXPECT_EQ("1", Env("QUILLDECK_HIDE_REAL_DEVICES"));
    const std::string registry = Env("GST_REGISTRY_1_0");
    EXPECT_FALSE(registry.empty());
    EXPECT_EQ(registry, Env("GST_REGISTRY"));
    EXPECT_EQ(std::string::npos, registry.find(Env("HOME")));
}

}  // namespace

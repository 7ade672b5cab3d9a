// Every test program runs in a home of its own. Before any static initialiser of the program
// runs (GLib, GStreamer and Qt read these variables later, when first used), HOME and the XDG
// base directories are pointed into a fresh temporary directory, which is removed at exit.
// So no test reads or writes the user's configuration, registry, profiles, caches or instance
// lock, whether it runs under ctest or by hand; a test that sets its own directories
// (TempEnvironment) simply overrides these for its lifetime.
//
// The machine's own devices and sound server stay out of reach too: real capture devices are
// hidden (the virtual TV card is the first device, and the audio renderer discards its sound),
// and the session's D-Bus and sound server addresses are dropped. Tests that need the real
// devices are opt-in (tests/support/real_devices.h, QUILLDECK_TEST_REAL_DEVICES=1); for them
// the sound server of the user's session stays reachable.
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/real_devices.h"

namespace {

// Plain data only: this runs before the file's own dynamic initialisers, which would reset
// anything with a constructor.
char gRoot[4096];
pid_t gOwner = 0;

[[noreturn]] void Fail(const char* what) {
    std::perror(what);
    std::_Exit(2);
}

std::string MakeDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0) Fail(path.c_str());
    return path;
}

void Set(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

int RemoveEntry(const char* path, const struct stat*, int, FTW*) { return std::remove(path); }

void RemoveRoot() {
    // A forked child that exits normally must not take its parent's home away.
    if (getpid() != gOwner || gRoot[0] == '\0') return;
    nftw(gRoot, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// The sound server of the user's session, named by its own variables so that it is found
// while XDG_RUNTIME_DIR points elsewhere (opt-in real-device runs only).
void KeepSoundServerReachable(const char* sessionRuntimeDir) {
    if (!sessionRuntimeDir || *sessionRuntimeDir != '/') return;
    const std::string runtime = sessionRuntimeDir;
    setenv("PULSE_RUNTIME_PATH", (runtime + "/pulse").c_str(), 0);
    setenv("PIPEWIRE_RUNTIME_DIR", runtime.c_str(), 0);
}

void DropSoundServer() {
    for (const char* name : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PIPEWIRE_REMOTE", "PIPEWIRE_RUNTIME_DIR"})
        unsetenv(name);
}

__attribute__((constructor(101))) void EnterIsolatedHome() {
    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/quilldeck-test-home-XXXXXX";
    if (root.size() >= sizeof gRoot || !mkdtemp(root.data())) Fail("mkdtemp");
    std::memcpy(gRoot, root.c_str(), root.size() + 1);
    gOwner = getpid();
    std::atexit(RemoveRoot);

    const std::string sessionRuntimeDir = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    Set("HOME", MakeDirectory(root + "/home"));
    Set("XDG_CONFIG_HOME", MakeDirectory(root + "/config"));
    Set("XDG_CACHE_HOME", MakeDirectory(root + "/cache"));
    Set("XDG_DATA_HOME", MakeDirectory(root + "/data"));
    Set("XDG_STATE_HOME", MakeDirectory(root + "/state"));
    const std::string runtime = MakeDirectory(root + "/runtime");
    Set("XDG_RUNTIME_DIR", runtime);
    // Addresses where no bus listens: nothing reaches the user's screen saver or logind, and
    // GLib does not start a bus of its own. A test that needs a bus starts a private one.
    Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/bus");
    Set("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + runtime + "/system_bus_socket");

    // One plug-in registry for all test programs of the build: ctest starts a process per test,
    // and a private registry would repeat GStreamer's plug-in scan in each. GStreamer replaces
    // the file by renaming a finished temporary one, so parallel tests can share it.
    Set("GST_REGISTRY_1_0", QD_TEST_GST_REGISTRY);
    Set("GST_REGISTRY", QD_TEST_GST_REGISTRY);

    Set("QUILLDECK_HIDE_REAL_DEVICES", "1");
    if (RealDevicesOptedIn()) KeepSoundServerReachable(sessionRuntimeDir.c_str());
    else DropSoundServer();
}

}  // namespace

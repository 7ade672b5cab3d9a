#include "platform/system/profile_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    return path;
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

}  // namespace

std::string ExecutableDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.has_parent_path()) return {};
    return WithSlash(exe.parent_path().string());
}

std::string ConfigHomeDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return WithSlash(xdg);
    const std::string home = HomeDirectory();
    return home.empty() ? std::string() : WithSlash(home) + ".config/";
}

std::string CacheHomeDirectory() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return WithSlash(xdg);
    const std::string home = HomeDirectory();
    return home.empty() ? std::string() : WithSlash(home) + ".cache/";
}

std::string ResolveProfileDirectory() { return ResolveProfileDirectoryFor(ExecutableDirectory()); }

std::string ResolveProfileDirectoryFor(const std::string& executableDirectory) {
    const std::string exeDir = WithSlash(executableDirectory);
    std::error_code ec;
    if (!exeDir.empty() && fs::is_regular_file(exeDir + "portable", ec)) return exeDir;
    const std::string config = ConfigHomeDirectory();
    if (config.empty()) return {};
    const std::string dir = config + "quilldeck/";
    fs::create_directories(dir, ec);
    return fs::is_directory(dir, ec) ? dir : std::string();
}

#include "platform/system/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/com/hresult.h"
#include "platform/system/last_error.h"
#include "platform/system/profile_directory.h"

namespace {

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    return path;
}

// Makes the directory when it is missing; a directory made here gets 0700 whatever the umask.
void MakeDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) == 0) chmod(path.c_str(), 0700);
}

// `path` (with a trailing '/') when it is, or can be made, a private directory; else "".
std::string PrivateDirectory(const std::string& path) {
    MakeDirectory(path);
    return IsPrivateDirectory(path) ? path : std::string();
}

}  // namespace

bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700;
}

std::string RuntimeDirectoryFor(const char* runtimeDir, const std::string& sharedTempDir,
                                const std::string& cacheHome) {
    if (runtimeDir && *runtimeDir == '/') return WithSlash(runtimeDir);
    if (!sharedTempDir.empty()) {
        // lstat of "<dir>/" would follow a link to a directory, so the name is checked bare.
        const std::string dir = WithSlash(sharedTempDir) + "quilldeck-" + std::to_string(getuid());
        if (!PrivateDirectory(dir).empty()) return dir + "/";
    }
    if (cacheHome.empty() || cacheHome.front() != '/') return {};
    const std::string base = WithSlash(cacheHome);
    MakeDirectory(base);
    MakeDirectory(base + "quilldeck");
    const std::string dir = base + "quilldeck/run";
    return PrivateDirectory(dir).empty() ? std::string() : dir + "/";
}

std::string RuntimeDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    return RuntimeDirectoryFor(std::getenv("XDG_RUNTIME_DIR"), tmp && *tmp == '/' ? tmp : "/tmp",
                               CacheHomeDirectory());
}

SingleInstanceLock::SingleInstanceLock(std::string name) : name_(std::move(name)) {}

std::string SingleInstanceLock::LockPath() const {
    const std::string dir = RuntimeDirectory();
    return dir.empty() ? dir : dir + name_ + ".lock";
}

std::string SingleInstanceLock::SocketPath() const {
    const std::string dir = RuntimeDirectory();
    return dir.empty() ? dir : dir + name_ + ".socket";
}

bool SingleInstanceLock::Acquire() {
    if (fd_ >= 0) return true;
    const std::string path = LockPath();
    if (path.empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) SetLastError(ERROR_ALREADY_EXISTS);
        else SetLastErrorFromErrno(error);
        return false;
    }
    fd_ = fd;
    SetLastError(0);
    return true;
}

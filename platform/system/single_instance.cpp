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

std::string RuntimeDirectory() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg == '/') {
        std::string dir = xdg;
        if (dir.back() != '/') dir.push_back('/');
        return dir;
    }
    std::string dir = "/tmp/quilldeck-" + std::to_string(getuid()) + "/";
    mkdir(dir.c_str(), 0700);
    return dir;
}

SingleInstanceLock::SingleInstanceLock(std::string name) : name_(std::move(name)) {}

std::string SingleInstanceLock::LockPath() const { return RuntimeDirectory() + name_ + ".lock"; }
std::string SingleInstanceLock::SocketPath() const { return RuntimeDirectory() + name_ + ".socket"; }

bool SingleInstanceLock::Acquire() {
    if (fd_ >= 0) return true;
    const int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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

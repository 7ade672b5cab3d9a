// A V4L2 device node opened for the length of one call or a few; V4L2 keeps the selected
// input and the tuned frequency after the node is closed.
#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace media {

class V4l2DeviceHandle {
public:
    explicit V4l2DeviceHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    ~V4l2DeviceHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    V4l2DeviceHandle(const V4l2DeviceHandle&) = delete;
    V4l2DeviceHandle& operator=(const V4l2DeviceHandle&) = delete;
    bool Open() const { return fd_ >= 0; }
    // The ioctl's result, repeated when a signal interrupts it; errno tells a failure.
    int Ioctl(unsigned long request, void* arg) const {
        int r;
        do {
            r = ::ioctl(fd_, request, arg);
        } while (r < 0 && errno == EINTR);
        return r;
    }

private:
    int fd_;
};

}  // namespace media

// One running copy of the program per user: a lock file in the runtime directory, and the
// path of the local socket through which a second copy asks the first to come to the front.
#pragma once

#include <string>

class SingleInstanceLock {
public:
    // `name` identifies the program (the executable's base name).
    explicit SingleInstanceLock(std::string name);
    // The lock is never given back while the process lives; the system drops it at exit.
    ~SingleInstanceLock() = default;
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock. True when this process is the first copy. False when another process
    // holds it (GetLastError() is then ERROR_ALREADY_EXISTS) or the lock file cannot be made
    // (the errno's error code; the caller may then run without the lock).
    bool Acquire();

    // "<runtime dir>/<name>.lock" and "<runtime dir>/<name>.socket".
    std::string LockPath() const;
    std::string SocketPath() const;

private:
    std::string name_;
    int fd_ = -1;
};

// $XDG_RUNTIME_DIR with a trailing '/', or a private directory under /tmp
// ("/tmp/quilldeck-<uid>/", mode 0700) when the variable is not set.
std::string RuntimeDirectory();

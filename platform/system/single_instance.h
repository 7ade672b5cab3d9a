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
    // (the errno's error code, ERROR_ACCESS_DENIED when no private runtime directory can be
    // had; the caller may then run without the lock). The lock file is never reached through
    // a symbolic link.
    bool Acquire();

    // "<runtime dir>/<name>.lock" and "<runtime dir>/<name>.socket"; "" when there is no
    // runtime directory.
    std::string LockPath() const;
    std::string SocketPath() const;

private:
    std::string name_;
    int fd_ = -1;
};

// Where the lock and the socket live, with a trailing '/':
// - $XDG_RUNTIME_DIR when it is set (an absolute path);
// - otherwise "$TMPDIR/quilldeck-<uid>/" ("/tmp/quilldeck-<uid>/" without $TMPDIR), but only while it is this user's own directory: a real
//   directory (no symbolic link) owned by this user with mode 0700 exactly. Anything else there
//   (another user's directory, a link, a looser mode) is never used, since whoever made it
//   could take the lock or the socket;
// - otherwise "<cache home>/quilldeck/run/" ($XDG_CACHE_HOME or ~/.cache), made and checked
//   the same way;
// - "" when none of them can be had.
std::string RuntimeDirectory();

// The same rule with the shared temporary directory (normally "/tmp") and the cache home
// given; a null runtimeDir stands for an unset $XDG_RUNTIME_DIR.
std::string RuntimeDirectoryFor(const char* runtimeDir, const std::string& sharedTempDir,
                                const std::string& cacheHome);

// True when `path` is a directory that this user owns, not a symbolic link, with mode 0700.
bool IsPrivateDirectory(const std::string& path);

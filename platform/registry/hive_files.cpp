#include "platform/registry/hive_files.h"

#include "platform/system/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <system_error>

namespace registry {
namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;

std::int64_t ToNs(const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * kNsPerSecond + t.tv_nsec; }

int CloseKeepingErrno(int fd) {
    const int saved = errno;
    ::close(fd);
    return saved;
}

int CreateDirectories(const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    return error ? error.value() : 0;
}

}  // namespace

std::filesystem::path RegistryDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config && *config == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : "/tmp") / ".config";
    }
    return base / "quilldeck" / "registry";
}

int StatFile(const std::filesystem::path& path, FileSignature* signature) {
    *signature = FileSignature{};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    signature->exists = true;
    signature->device = st.st_dev;
    signature->inode = st.st_ino;
    signature->size = static_cast<std::uint64_t>(st.st_size);
    signature->modifiedNs = ToNs(st.st_mtim);
    signature->changedNs = ToNs(st.st_ctim);
    return 0;
}

bool IsRecentlyModified(const FileSignature& signature) {
    if (!signature.exists) return false;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // File time stamps advance in ticks of a few milliseconds; two seconds covers every
    // file system's granularity that matters here.
    constexpr std::int64_t kWindowNs = 2 * kNsPerSecond;
    const std::int64_t newest = signature.modifiedNs > signature.changedNs ? signature.modifiedNs : signature.changedNs;
    return ToNs(now) - newest < kWindowNs;
}

HiveLock::~HiveLock() { Release(); }

void HiveLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int HiveLock::Acquire(const std::filesystem::path& directory, bool exclusive) {
    Release();
    if (exclusive) {
        if (const int error = CreateDirectories(directory)) return error;
    }
    const std::filesystem::path lockPath = directory / "registry.lock";
    const int flags = exclusive ? (O_RDWR | O_CREAT | O_CLOEXEC) : (O_RDONLY | O_CREAT | O_CLOEXEC);
    int fd = ::open(lockPath.c_str(), flags, 0600);
    if (fd < 0) {
        if (!exclusive && errno == ENOENT) return 0;  // no directory: nothing written yet
        return errno;
    }
    while (::flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) return CloseKeepingErrno(fd);
    }
    fd_ = fd;
    return 0;
}

int ReadWholeFile(const std::filesystem::path& path, std::string* content) {
    content->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return CloseKeepingErrno(fd);
        }
        if (n == 0) break;
        content->append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return 0;
}

int WriteFileAtomically(const std::filesystem::path& path, const std::string& content) {
    if (const int error = CreateDirectories(path.parent_path())) return error;
    // The directory is not synced: after a crash the old or the new file is there, both whole,
    // and each change costs one disk flush instead of two.
    return ::WriteFileAtomically(path.string(), content.data(), content.size(), nullptr, DirectorySync::No);
}

std::optional<std::filesystem::path> SetDamagedFileAside(const std::filesystem::path& path) {
    auto aside = SetFileAside(path.string());
    if (!aside) return std::nullopt;
    return std::filesystem::path(*aside);
}

}  // namespace registry

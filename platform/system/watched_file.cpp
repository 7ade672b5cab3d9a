#include "platform/system/watched_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_set>

#include "platform/system/last_error.h"

namespace {

struct OpenFile {
    int fd;
};

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_set<OpenFile*>& Table() {
    static std::unordered_set<OpenFile*> table;
    return table;
}

constexpr DWORD kOpenExisting = 3;

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    if (!name || access != GENERIC_READ || (disposition != OPEN_ALWAYS && disposition != kOpenExisting)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const int flags = O_RDONLY | O_CLOEXEC | (disposition == OPEN_ALWAYS ? O_CREAT : 0);
    const int fd = ::open(name, flags, 0666);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new OpenFile{fd};
    std::lock_guard lock(TableLock());
    Table().insert(file);
    SetLastError(0);
    return file;
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
    std::lock_guard lock(TableLock());
    auto* file = static_cast<OpenFile*>(handle);
    if (!size || !Table().count(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    struct stat info {};
    if (::fstat(file->fd, &info) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    size->QuadPart = info.st_size;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    OpenFile* file = nullptr;
    {
        std::lock_guard lock(TableLock());
        auto found = Table().find(static_cast<OpenFile*>(handle));
        if (found == Table().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        file = *found;
        Table().erase(found);
    }
    ::close(file->fd);
    delete file;
    return TRUE;
}

BOOL CanCreateFilesIn(LPCSTR directory) {
    std::string pattern = directory && *directory ? directory : ".";
    if (pattern.back() != '/') pattern += '/';
    pattern += ".quilldeck-probe-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        // The directory itself is missing, not a file in it.
        if (errno == ENOENT || errno == ENOTDIR)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno(errno);
        return FALSE;
    }
    ::close(fd);
    ::unlink(pattern.c_str());
    SetLastError(0);
    return TRUE;
}

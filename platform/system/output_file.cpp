#include "platform/system/output_file.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

HRESULT OutputFile::Create(const std::string& path) {
    if (fd_ >= 0) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0 ? S_OK : HResultFromErrno(errno);
}

HRESULT OutputFile::WriteAt(std::uint64_t offset, std::initializer_list<Bytes> pieces) {
    if (fd_ < 0) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    std::vector<iovec> vectors;
    vectors.reserve(pieces.size());
    for (const Bytes& piece : pieces) {
        if (piece.size) vectors.push_back({const_cast<void*>(piece.data), piece.size});
    }
    std::size_t first = 0;
    while (first < vectors.size()) {
        const ssize_t written = ::pwritev(fd_, vectors.data() + first, static_cast<int>(vectors.size() - first),
                                          static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            return HResultFromErrno(errno);
        }
        if (written == 0) return HResultFromErrno(ENOSPC);
        offset += static_cast<std::uint64_t>(written);
        auto left = static_cast<std::size_t>(written);
        while (first < vectors.size() && left >= vectors[first].iov_len) left -= vectors[first++].iov_len;
        if (first < vectors.size()) {
            vectors[first].iov_base = static_cast<char*>(vectors[first].iov_base) + left;
            vectors[first].iov_len -= left;
        }
    }
    return S_OK;
}

HRESULT OutputFile::Truncate(std::uint64_t size) {
    if (fd_ < 0) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? S_OK : HResultFromErrno(errno);
}

HRESULT OutputFile::Close() {
    if (fd_ < 0) return S_OK;
    HRESULT hr = ::fsync(fd_) == 0 ? S_OK : HResultFromErrno(errno);
    if (::close(fd_) != 0 && SUCCEEDED(hr)) hr = HResultFromErrno(errno);
    fd_ = -1;
    return hr;
}

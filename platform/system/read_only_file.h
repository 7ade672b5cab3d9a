// A file opened for reading at explicit offsets (pread), so a reader can follow a file that
// another thread or process keeps appending to without sharing a file position with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens `path` for reading (close-on-exec). 0, or the errno of the failed open.
    int Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Reads exactly `size` bytes at `offset`, retrying interrupted and partial reads. False when
    // the file ends before them (a short file) or the read fails; `buffer` is then undefined.
    bool ReadExactlyAt(std::uint64_t offset, void* buffer, std::size_t size) const;

private:
    int fd_ = -1;
};

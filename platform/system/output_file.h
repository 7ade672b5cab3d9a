// A file written at explicit offsets, for writers that lay out a file themselves and come back
// to patch its headers. Every write is whole or fails; a failure is the platform error code for
// the errno (ENOSPC -> ERROR_DISK_FULL, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/com/hresult.h"

class OutputFile {
public:
    struct Bytes {
        const void* data;
        std::size_t size;
    };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates `path`, or empties an existing file of that name.
    HRESULT Create(const std::string& path);
    // Writes the pieces one after another from `offset`.
    HRESULT WriteAt(std::uint64_t offset, std::initializer_list<Bytes> pieces);
    HRESULT WriteAt(std::uint64_t offset, const void* data, std::size_t size) { return WriteAt(offset, {{data, size}}); }
    // Cuts the file to `size` bytes.
    HRESULT Truncate(std::uint64_t size);
    // Flushes the file to the disk and closes it; the first failure is returned.
    HRESULT Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

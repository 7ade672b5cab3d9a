// Builds archive bytes by hand, the way another writer of the format would lay them out.
// Counted() fills slots with 1, 2, 3, ... and Mark() remembers the value of the next slot,
// so a test can find a field again after loading.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/types.h"

class ArchiveBytes {
public:
    ArchiveBytes& U8(BYTE v) { return Raw(&v, 1); }
    ArchiveBytes& U16(WORD v) { return Raw(&v, 2); }
    ArchiveBytes& U32(DWORD v) { return Raw(&v, 4); }
    ArchiveBytes& I32(LONG v) { return Raw(&v, 4); }
    ArchiveBytes& Text(std::string_view text) { return Raw(text.data(), text.size()); }
    // A string with its one-byte length prefix.
    ArchiveBytes& Str(std::string_view text) { return U8(static_cast<BYTE>(text.size())).Text(text); }
    ArchiveBytes& Zeros(std::size_t n) {
        data.insert(data.end(), n, 0);
        return *this;
    }
    ArchiveBytes& Append(const std::vector<BYTE>& bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ArchiveBytes& NewClass(std::string_view name) {
        return U16(0xFFFF).U16(0).U16(static_cast<WORD>(name.size())).Text(name);
    }
    // `count` 4-byte slots holding the next counter values.
    ArchiveBytes& Counted(int count) {
        for (int i = 0; i < count; ++i) U32(next++);
        return *this;
    }
    ArchiveBytes& Mark(const std::string& name) {
        marks[name] = next;
        return *this;
    }
    ArchiveBytes& Raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const BYTE*>(p);
        data.insert(data.end(), b, b + n);
        return *this;
    }

    std::vector<BYTE> data;
    std::map<std::string, DWORD> marks;
    DWORD next = 1;
};

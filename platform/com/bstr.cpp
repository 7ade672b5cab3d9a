#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(DWORD);
// Keeps the byte count (a DWORD) and the allocation size free of overflow.
constexpr UINT kMaxLength = (std::numeric_limits<DWORD>::max() - kPrefixBytes - sizeof(OLECHAR)) / sizeof(OLECHAR) / 2;

DWORD* PrefixOf(BSTR text) { return reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(text) - kPrefixBytes); }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > kMaxLength) return nullptr;
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    auto* block = static_cast<BYTE*>(std::malloc(kPrefixBytes + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    const DWORD byteCount = static_cast<DWORD>(bytes);
    std::memcpy(block, &byteCount, kPrefixBytes);
    auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefixBytes);
    if (text) std::memcpy(chars, text, bytes);
    else std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    std::size_t length = 0;
    while (text[length]) ++length;
    if (length > kMaxLength) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(length));
}

void SysFreeString(BSTR text) {
    if (text) std::free(PrefixOf(text));
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    DWORD byteCount;
    std::memcpy(&byteCount, PrefixOf(text), kPrefixBytes);
    return byteCount / sizeof(OLECHAR);
}

// GUIDs with the platform's byte layout and braced string form.
#pragma once

#include <cstring>
#include <functional>
#include <string>

#include "platform/com/hresult.h"
#include "platform/com/types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline bool operator<(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr GUID CLSID_NULL = GUID_NULL;

namespace guid_detail {
constexpr int HexValue(char c) {
    return (c >= '0' && c <= '9')   ? c - '0'
           : (c >= 'a' && c <= 'f') ? c - 'a' + 10
           : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                    : throw "GUID literal holds a non-hex digit";
}
constexpr std::uint64_t Hex(const char* s, int digits) {
    std::uint64_t v = 0;
    for (int i = 0; i < digits; ++i) v = v * 16 + static_cast<std::uint64_t>(HexValue(s[i]));
    return v;
}
}  // namespace guid_detail

// Builds a GUID at compile time from "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (no braces).
constexpr GUID MakeGuid(const char (&s)[37]) {
    using guid_detail::Hex;
    if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') throw "GUID literal is malformed";
    GUID g{static_cast<DWORD>(Hex(s, 8)),
           static_cast<WORD>(Hex(s + 9, 4)),
           static_cast<WORD>(Hex(s + 14, 4)),
           {static_cast<BYTE>(Hex(s + 19, 2)), static_cast<BYTE>(Hex(s + 21, 2)), 0, 0, 0, 0, 0, 0}};
    for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(Hex(s + 24 + 2 * i, 2));
    return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the platform writes it.
std::string GuidToString(REFGUID guid);
// Parses the braced form (either case). Returns false and leaves *out alone when malformed.
bool GuidFromString(const std::string& text, GUID* out);

// Platform calls on the wide forms; the buffer of StringFromGUID2 takes 39 characters.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out);
HRESULT IIDFromString(LPCOLESTR text, IID* out);

template <>
struct std::hash<GUID> {
    std::size_t operator()(const GUID& g) const noexcept {
        std::uint64_t a, b;
        std::memcpy(&a, &g, 8);
        std::memcpy(&b, reinterpret_cast<const char*>(&g) + 8, 8);
        return std::hash<std::uint64_t>()(a * 31 + b);
    }
};

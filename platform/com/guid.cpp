#include "platform/com/guid.h"

#include <cstdio>

namespace {

bool ParseHex(const std::string& text, std::size_t pos, int digits, std::uint64_t* value) {
    std::uint64_t v = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[pos + static_cast<std::size_t>(i)];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + static_cast<std::uint64_t>(d);
    }
    *value = v;
    return true;
}

std::string Narrow(LPCOLESTR text) {
    std::string s;
    for (; *text; ++text) {
        if (*text > 0x7F) return {};  // not a GUID character: makes the parse fail
        s.push_back(static_cast<char>(*text));
        if (s.size() > 64) return {};
    }
    return s;
}

}  // namespace

std::string GuidToString(REFGUID g) {
    char buffer[39];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return buffer;
}

bool GuidFromString(const std::string& text, GUID* out) {
    if (!out || text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return false;
    std::uint64_t d1, d2, d3, b;
    if (!ParseHex(text, 1, 8, &d1) || !ParseHex(text, 10, 4, &d2) || !ParseHex(text, 15, 4, &d3)) return false;
    GUID g{static_cast<DWORD>(d1), static_cast<WORD>(d2), static_cast<WORD>(d3), {}};
    for (int i = 0; i < 8; ++i) {
        const std::size_t pos = i < 2 ? 20 + 2 * static_cast<std::size_t>(i) : 25 + 2 * static_cast<std::size_t>(i - 2);
        if (!ParseHex(text, pos, 2, &b)) return false;
        g.Data4[i] = static_cast<BYTE>(b);
    }
    *out = g;
    return true;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
    if (!buffer || capacity < 39) return 0;
    const std::string text = GuidToString(guid);
    for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = static_cast<OLECHAR>(text[i]);
    buffer[text.size()] = 0;
    return 39;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out) {
    if (!text || !out) return E_INVALIDARG;
    return GuidFromString(Narrow(text), out) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR text, IID* out) {
    if (!text || !out) return E_INVALIDARG;
    return GuidFromString(Narrow(text), out) ? S_OK : E_INVALIDARG;
}

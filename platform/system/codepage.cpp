#include "platform/system/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace {

// One conversion with glibc iconv; nothing when any input byte does not convert.
std::optional<std::string> Convert(const char* to, const char* from, const char* data, std::size_t size) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.resize(size * 4 + 16);
    char* in = const_cast<char*>(data);
    std::size_t inLeft = size;
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
}

std::string U16Bytes(const std::u16string& s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t));
}

std::u16string BytesToU16(const std::string& s) {
    std::u16string out(s.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(s[2 * i]) |
                                       (static_cast<unsigned char>(s[2 * i + 1]) << 8));
    return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(const Cp932String& bytes) {
    auto utf8 = Convert("UTF-8", "CP932", bytes.data(), bytes.size());
    if (!utf8) return std::nullopt;
    auto back = Convert("CP932", "UTF-8", utf8->data(), utf8->size());
    if (!back || *back != bytes) return std::nullopt;
    return utf8;
}

std::optional<Cp932String> Utf8ToCp932(const std::string& utf8) { return Convert("CP932", "UTF-8", utf8.data(), utf8.size()); }

std::optional<std::u16string> Cp932ToUtf16(const Cp932String& bytes) {
    auto utf16 = Convert("UTF-16LE", "CP932", bytes.data(), bytes.size());
    if (!utf16) return std::nullopt;
    return BytesToU16(*utf16);
}

std::optional<Cp932String> Utf16ToCp932(const std::u16string& utf16) {
    const std::string raw = U16Bytes(utf16);
    return Convert("CP932", "UTF-16LE", raw.data(), raw.size());
}

std::string Cp932ToDisplay(const Cp932String& bytes) {
    if (auto utf8 = Cp932ToUtf8(bytes)) return *utf8;
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::u16string AnsiToWide(const std::string& bytes) {
    if (auto wide = Cp932ToUtf16(bytes)) return *wide;
    // Bytes that are no CP932 text still keep one character each, so nothing disappears.
    std::u16string out;
    for (unsigned char c : bytes) out.push_back(static_cast<char16_t>(c));
    return out;
}

std::string WideToAnsi(const std::u16string& wide) {
    if (auto ansi = Utf16ToCp932(wide)) return *ansi;
    std::string out;
    for (char16_t c : wide) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

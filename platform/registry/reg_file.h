// The .reg text syntax of the registry hives: reading into a document and writing it back.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Talvin\Quilldeck2\Device]
//   "0"="A"
//   @=dword:00000001
//   "Layout"=hex:01,02,03,04     <- long hex data is continued with a trailing backslash
//   "Odd"=hex(1):41,42          <- any other type N as hex(N), N in hex digits
//
// The file is UTF-8. In memory every name and string is code-page-932 bytes, and those bytes
// must survive a write and a read exactly, so the writer only uses UTF-8 text where it converts
// back to the very same bytes; everything else is kept byte for byte:
//
// - String values (REG_SZ) are written as "text" when the data is text that round-trips, has no
//   control characters and ends in exactly one NUL. Any other string data (missing or extra NULs,
//   bytes that are no CP932 text) is written as hex(1): with the stored bytes as they are.
//   hex(N) data of every type are the stored bytes; string types therefore hold CP932 bytes
//   here, not the UTF-16 that the original platform's editor writes.
// - Value names are quoted: \\ is a backslash, \" a quote, and \xNN (two hex digits) the single
//   raw byte NN. The writer uses \xNN for control characters and, when the name as a whole does
//   not convert to UTF-8 and back, for every byte outside printable ASCII.
// - Key paths are written as [path] in UTF-8 when the path round-trips and has no control
//   characters. Otherwise the path is written percent-encoded behind a '%' marker:
//   [%HKEY_CURRENT_USER\Software\%82%A0] -- every byte outside printable ASCII, and '%' itself,
//   as %XX. (No real path starts with '%', since every path starts with a root name.)
//
// Removal entries of the original syntax ([-key], "name"=-) are not accepted: a hive file is a
// complete picture of its keys. Lines starting with ';' are comments. A trailing backslash
// continues hex data on the next line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";

struct RegFileValue {
    std::string name;  // CP932 bytes; empty for the default value ("@")
    std::uint32_t type = 0;
    std::string data;  // the stored bytes
    bool operator==(const RegFileValue&) const = default;
};

struct RegFileKey {
    std::string path;  // CP932 bytes, '\'-separated, starting with the root name
    std::vector<RegFileValue> values;
    int line = 0;  // where the section started in the text it was read from (0 when built in memory)
    bool operator==(const RegFileKey& other) const { return path == other.path && values == other.values; }
};

// The sections of a file in their order; a key may appear more than once (later values win when
// the document is applied to a hive).
struct RegFileDocument {
    std::vector<RegFileKey> keys;
    bool operator==(const RegFileDocument&) const = default;
};

struct RegFileParseResult {
    std::optional<RegFileDocument> document;  // set when the text parsed
    int errorLine = 0;                        // 1-based line of the first error
    std::string error;
};

// Never throws on bad input and reads nothing past the text.
RegFileParseResult ParseRegFile(std::string_view text);
std::string WriteRegFile(const RegFileDocument& document);

// Splits a CP932 key path at '\' separators. A second byte of a double-byte character may be
// 0x5C ("表" is 95 5C), so separators are looked for only at character starts. Empty
// components are kept (a path "a\\b" gives "a", "", "b").
std::vector<std::string> SplitKeyPath(std::string_view path);

// True when c starts a double-byte character of code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace registry

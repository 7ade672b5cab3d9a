#include "platform/registry/reg_file.h"

#include <cstdio>

#include "platform/com/little_endian.h"
#include "platform/system/codepage.h"

namespace registry {
namespace {

constexpr std::uint32_t kTypeString = 1;
constexpr std::uint32_t kTypeBinary = 3;
constexpr std::uint32_t kTypeDword = 4;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

bool HasControlCharacter(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// CP932 and UTF-8 agree on ASCII, which is most of what a hive holds; iconv is only asked for
// the rest.
std::optional<std::string> TextToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Utf8ToCp932(std::string(utf8));
}

std::optional<std::string> Cp932ToText(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    return Cp932ToUtf8(std::string(bytes));
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// Reads hex digits as a number; nothing when there are none, too many or other characters.
std::optional<std::uint32_t> ParseHexNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

class Parser {
public:
    explicit Parser(std::string_view text) : rest_(text) {
        if (rest_.substr(0, kUtf8Bom.size()) == kUtf8Bom) rest_.remove_prefix(kUtf8Bom.size());
    }

    RegFileParseResult Run() {
        RegFileParseResult result;
        if (ParseAll()) {
            result.document = std::move(document_);
        } else {
            result.errorLine = errorLine_;
            result.error = std::move(error_);
        }
        return result;
    }

private:
    bool ParseAll() {
        std::string_view line;
        bool headerSeen = false;
        while (NextLine(&line)) {
            line = Trim(line);
            if (line.empty()) continue;
            if (!headerSeen) {
                if (line != kRegFileHeader) return Fail("the first line is not \"" + std::string(kRegFileHeader) + "\"");
                headerSeen = true;
                continue;
            }
            if (line.front() == ';') continue;
            const bool ok = line.front() == '[' ? ParseKeyLine(line)
                            : (line.front() == '"' || line.front() == '@') ? ParseValueLine(line)
                                                                            : Fail("unrecognised line");
            if (!ok) return false;
        }
        return true;
    }

    // The next physical line without its line break; false at the end of the text.
    bool NextLine(std::string_view* line) {
        if (rest_.empty()) return false;  // a final line break ends the last line, it starts none
        const std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos) {
            *line = rest_;
            rest_ = {};
        } else {
            *line = rest_.substr(0, end);
            rest_.remove_prefix(end + 1);
        }
        if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
        ++lineNumber_;
        return true;
    }

    bool Fail(std::string message) {
        error_ = std::move(message);
        errorLine_ = lineNumber_;
        return false;
    }

    bool ParseKeyLine(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') return Fail("a key line must end with ']'");
        const std::string_view content = line.substr(1, line.size() - 2);
        if (content.empty()) return Fail("empty key path");
        if (content.front() == '-') return Fail("key removal entries ([-...]) are not supported in a hive");
        std::optional<std::string> path;
        if (content.front() == '%') {
            path = DecodePercentPath(content.substr(1));
            if (!path) return Fail("bad %XX escape in an encoded key path");
        } else {
            path = TextToCp932(content);
            if (!path) return Fail("key path is not UTF-8 text that code page 932 can hold");
        }
        if (path->find('\0') != std::string::npos) return Fail("NUL character in a key path");
        for (const std::string& part : SplitKeyPath(*path))
            if (part.empty()) return Fail("empty key name in a key path");
        RegFileKey key;
        key.path = std::move(*path);
        key.line = lineNumber_;
        document_.keys.push_back(std::move(key));
        return true;
    }

    static std::optional<std::string> DecodePercentPath(std::string_view encoded) {
        std::string out;
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(encoded[i]);
            if (c == '%') {
                if (i + 2 >= encoded.size()) return std::nullopt;
                const int high = HexDigitValue(encoded[i + 1]);
                const int low = HexDigitValue(encoded[i + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
            } else if (c >= 0x20 && c < 0x7F) {
                out.push_back(static_cast<char>(c));
            } else {
                return std::nullopt;
            }
        }
        return out;
    }

    bool ParseValueLine(std::string_view line) {
        if (document_.keys.empty()) return Fail("a value before the first key");
        RegFileValue value;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else if (!ParseQuoted(&line, &value.name)) {
            return false;
        }
        if (value.name.find('\0') != std::string::npos) return Fail("NUL character in a value name");
        line = TrimLeft(line);
        if (line.empty() || line.front() != '=') return Fail("'=' expected after the value name");
        line = TrimLeft(line.substr(1));
        if (!ParseData(line, &value)) return false;
        document_.keys.back().values.push_back(std::move(value));
        return true;
    }

    // Reads a quoted text at the start of *text into CP932 bytes and moves *text past it.
    bool ParseQuoted(std::string_view* text, std::string* out) {
        std::string segment;  // UTF-8 text not yet converted
        auto flush = [&]() {
            auto bytes = TextToCp932(segment);
            if (!bytes) return false;
            *out += *bytes;
            segment.clear();
            return true;
        };
        const std::string_view s = *text;
        for (std::size_t i = 1; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                if (!flush()) return Fail("text that is not UTF-8 or that code page 932 cannot hold");
                text->remove_prefix(i + 1);
                return true;
            }
            if (c != '\\' || i + 1 >= s.size()) {
                segment.push_back(c);
                continue;
            }
            const char next = s[i + 1];
            if (next == '\\' || next == '"') {
                segment.push_back(next);
                ++i;
            } else if (next == 'x' && i + 3 < s.size() && HexDigitValue(s[i + 2]) >= 0 && HexDigitValue(s[i + 3]) >= 0) {
                if (!flush()) return Fail("text that is not UTF-8 or that code page 932 cannot hold");
                out->push_back(static_cast<char>(HexDigitValue(s[i + 2]) * 16 + HexDigitValue(s[i + 3])));
                i += 3;
            } else {
                segment.push_back(c);  // an unknown escape stands for itself
            }
        }
        return Fail("missing closing '\"'");
    }

    bool ParseData(std::string_view data, RegFileValue* value) {
        if (data.empty()) return Fail("value data expected after '='");
        if (data.front() == '"') {
            if (!ParseQuoted(&data, &value->data)) return false;
            if (!Trim(data).empty()) return Fail("unexpected text after the closing '\"'");
            value->type = kTypeString;
            value->data.push_back('\0');
            return true;
        }
        if (data.substr(0, 6) == "dword:") return ParseDword(Trim(data.substr(6)), value);
        if (data.substr(0, 3) == "hex") return ParseHexValue(data.substr(3), value);
        if (data.front() == '-') return Fail("value removal entries (=-) are not supported in a hive");
        return Fail("unrecognised value data");
    }

    bool ParseDword(std::string_view digits, RegFileValue* value) {
        const auto number = ParseHexNumber(digits);
        if (!number) return Fail("dword: needs 1 to 8 hex digits");
        value->type = kTypeDword;
        value->data.clear();
        for (int shift = 0; shift < 32; shift += 8) value->data.push_back(static_cast<char>((*number >> shift) & 0xFF));
        return true;
    }

    // After "hex": either ":" (binary) or "(N):" with the type N in hex digits.
    bool ParseHexValue(std::string_view rest, RegFileValue* value) {
        if (!rest.empty() && rest.front() == ':') {
            value->type = kTypeBinary;
            rest.remove_prefix(1);
        } else if (!rest.empty() && rest.front() == '(') {
            const std::size_t close = rest.find("):");
            const auto type = close == std::string_view::npos ? std::nullopt : ParseHexNumber(rest.substr(1, close - 1));
            if (!type) return Fail("hex(N): needs the type N as 1 to 8 hex digits");
            value->type = *type;
            rest.remove_prefix(close + 2);
        } else {
            return Fail("hex: or hex(N): expected");
        }
        std::string joined(TrimRight(rest));
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            std::string_view next;
            if (!NextLine(&next)) return Fail("hex data continues past the end of the file");
            joined += Trim(next);
        }
        return ParseHexBytes(joined, &value->data);
    }

    bool ParseHexBytes(std::string_view list, std::string* out) {
        list = Trim(list);
        if (list.empty()) return true;
        while (true) {
            const std::size_t comma = list.find(',');
            const std::string_view token = Trim(list.substr(0, comma));
            const auto byte = token.size() <= 2 ? ParseHexNumber(token) : std::nullopt;
            if (!byte) return Fail("hex data must be bytes of two hex digits separated by ','");
            out->push_back(static_cast<char>(*byte));
            if (comma == std::string_view::npos) return true;
            list.remove_prefix(comma + 1);
        }
    }

    std::string_view rest_;
    int lineNumber_ = 0;
    RegFileDocument document_;
    std::string error_;
    int errorLine_ = 0;
};

// ---- Writing

void AppendHexByte(unsigned char byte, std::string* out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out->push_back(kDigits[byte >> 4]);
    out->push_back(kDigits[byte & 0xF]);
}

void AppendEscapedByte(unsigned char byte, std::string* out) {
    *out += "\\x";
    AppendHexByte(byte, out);
}

std::string EncodeKeyPath(const std::string& path) {
    const bool markerClash = path.empty() || path.front() == '%' || path.front() == '-';
    if (!markerClash) {
        if (auto text = Cp932ToText(path); text && !HasControlCharacter(*text)) return *text;
    }
    std::string out = "%";
    for (unsigned char c : path) {
        if (c >= 0x20 && c < 0x7F && c != '%') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            AppendHexByte(c, &out);
        }
    }
    return out;
}

void AppendQuotedText(std::string_view text, bool escapeNonAscii, std::string* out) {
    out->push_back('"');
    for (unsigned char c : text) {
        if (c == '\\' || c == '"') {
            out->push_back('\\');
            out->push_back(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F || (escapeNonAscii && c >= 0x80)) {
            AppendEscapedByte(c, out);
        } else {
            out->push_back(static_cast<char>(c));
        }
    }
    out->push_back('"');
}

void AppendValueName(const std::string& name, std::string* out) {
    if (name.empty()) {
        out->push_back('@');
    } else if (auto text = Cp932ToText(name)) {
        AppendQuotedText(*text, false, out);
    } else {
        AppendQuotedText(name, true, out);
    }
}

// The text of a string value that can be written in quotes, or nothing.
std::optional<std::string> PlainStringText(const RegFileValue& value) {
    if (value.type != kTypeString || value.data.empty() || value.data.back() != '\0') return std::nullopt;
    const std::string_view body(value.data.data(), value.data.size() - 1);
    if (body.find('\0') != std::string_view::npos) return std::nullopt;
    auto text = Cp932ToText(body);
    if (!text || HasControlCharacter(*text)) return std::nullopt;
    return text;
}

// Hex data wrapped like the original editor does: lines of about 80 columns, continued with '\'.
void AppendHexData(const std::string& data, std::size_t column, std::string* out) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out->push_back(',');
            ++column;
            if (column >= 76) {
                *out += "\\\n  ";
                column = 2;
            }
        }
        AppendHexByte(static_cast<unsigned char>(data[i]), out);
        column += 2;
    }
}

void AppendValue(const RegFileValue& value, std::string* out) {
    const std::size_t lineStart = out->size();
    AppendValueName(value.name, out);
    out->push_back('=');
    if (auto text = PlainStringText(value)) {
        AppendQuotedText(*text, false, out);
    } else if (value.type == kTypeDword && value.data.size() == 4) {
        const auto number = LoadLittleEndian<std::uint32_t>(reinterpret_cast<const unsigned char*>(value.data.data()));
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", number);
        *out += "dword:";
        *out += digits;
    } else {
        char prefix[24];
        if (value.type == kTypeBinary) std::snprintf(prefix, sizeof prefix, "hex:");
        else std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        *out += prefix;
        AppendHexData(value.data, out->size() - lineStart, out);
    }
    out->push_back('\n');
}

}  // namespace

RegFileParseResult ParseRegFile(std::string_view text) { return Parser(text).Run(); }

std::string WriteRegFile(const RegFileDocument& document) {
    std::string out(kRegFileHeader);
    out += "\n\n";
    for (const RegFileKey& key : document.keys) {
        out.push_back('[');
        out += EncodeKeyPath(key.path);
        out += "]\n";
        for (const RegFileValue& value : key.values) AppendValue(value, &out);
        out.push_back('\n');
    }
    return out;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsCp932LeadByte(c) && i + 1 < path.size()) {
            parts.back().push_back(path[i]);
            parts.back().push_back(path[++i]);
        } else if (c == '\\') {
            parts.emplace_back();
        } else {
            parts.back().push_back(path[i]);
        }
    }
    return parts;
}

}  // namespace registry

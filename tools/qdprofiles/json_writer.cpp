#include "tools/qdprofiles/json_writer.h"

#include <cmath>
#include <cstdio>

#include "platform/system/codepage.h"

void JsonWriter::NewLine() { out_ << '\n' << std::string(hasItems_.size() * 2, ' '); }

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty()) return;
    if (hasItems_.back()) out_ << ',';
    hasItems_.back() = true;
    NewLine();
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    BeforeValue();
    WriteQuoted(key);
    out_ << ": ";
    afterKey_ = true;
    return *this;
}

void JsonWriter::BeginObject() {
    BeforeValue();
    out_ << '{';
    hasItems_.push_back(false);
}

void JsonWriter::EndObject() {
    const bool had = hasItems_.back();
    hasItems_.pop_back();
    if (had) NewLine();
    out_ << '}';
    if (hasItems_.empty()) out_ << '\n';
}

void JsonWriter::BeginArray() {
    BeforeValue();
    out_ << '[';
    hasItems_.push_back(false);
}

void JsonWriter::EndArray() {
    const bool had = hasItems_.back();
    hasItems_.pop_back();
    if (had) NewLine();
    out_ << ']';
}

void JsonWriter::Number(long long value) {
    BeforeValue();
    out_ << value;
}

void JsonWriter::Number(unsigned long long value) {
    BeforeValue();
    out_ << value;
}

void JsonWriter::Double(double value) {
    if (!std::isfinite(value)) {
        Utf8(std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf");
        return;
    }
    BeforeValue();
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    out_ << text;
}

void JsonWriter::Utf8(std::string_view text) {
    BeforeValue();
    WriteQuoted(text);
}

void JsonWriter::WriteQuoted(std::string_view text) {
    out_ << '"';
    for (const char c : text) {
        switch (c) {
        case '"': out_ << "\\\""; break;
        case '\\': out_ << "\\\\"; break;
        case '\n': out_ << "\\n"; break;
        case '\r': out_ << "\\r"; break;
        case '\t': out_ << "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out_ << escaped;
            } else {
                out_ << c;
            }
        }
    }
    out_ << '"';
}

void JsonWriter::Cp932(const std::string& bytes) {
    if (auto utf8 = Cp932ToUtf8(bytes)) {
        Utf8(*utf8);
        return;
    }
    BeginObject();
    Key("bytes").Hex(bytes.data(), bytes.size());
    EndObject();
}

void JsonWriter::Hex(const void* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    const auto* bytes = static_cast<const BYTE*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    Utf8(text);
}

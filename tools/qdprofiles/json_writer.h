// A small streaming JSON writer with two-space indentation, keys in the order written.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/types.h"

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    JsonWriter& Key(std::string_view key);

    void Number(long long value);
    void Number(unsigned long long value);
    void Double(double value);
    // UTF-8 text as a JSON string.
    void Utf8(std::string_view text);
    // Code-page-932 bytes: a string when they convert to UTF-8 and back unchanged, else {"bytes": "<hex>"}.
    void Cp932(const std::string& bytes);
    void Hex(const void* data, std::size_t size);
    void Hex(const std::vector<BYTE>& bytes) { Hex(bytes.data(), bytes.size()); }

private:
    void BeforeValue();
    void NewLine();
    void WriteQuoted(std::string_view text);

    std::ostream& out_;
    std::vector<bool> hasItems_;  // per open container
    bool afterKey_ = false;
};

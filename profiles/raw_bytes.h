// A fixed-size block kept exactly as a platform structure lies in memory (a BITMAPINFOHEADER,
// a RECT, ...). The profile carries the bytes; the code that uses them views them as the
// structure with As<T>() and stores one with Set().
#pragma once

#include <array>
#include <cstddef>
#include <cstring>

#include "platform/com/types.h"

template <std::size_t N>
struct RawBytes {
    std::array<BYTE, N> bytes{};

    template <class T>
    T As() const {
        static_assert(sizeof(T) == N, "the structure does not have the block's size");
        T value;
        std::memcpy(&value, bytes.data(), N);
        return value;
    }
    template <class T>
    void Set(const T& value) {
        static_assert(sizeof(T) == N, "the structure does not have the block's size");
        std::memcpy(bytes.data(), &value, N);
    }
    bool operator==(const RawBytes&) const = default;
};

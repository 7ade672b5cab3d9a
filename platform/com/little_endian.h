// Unsigned integers kept as little-endian bytes in files, streams and registry values.
#pragma once

#include <concepts>
#include <cstddef>

template <std::unsigned_integral T>
constexpr T LoadLittleEndian(const unsigned char* bytes) {
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
    return value;
}

template <std::unsigned_integral T>
constexpr void StoreLittleEndian(unsigned char* bytes, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The bytes of a still image's BMP file: the 14-byte file header ("BM", the file size, two
// reserved words, the offset 54 of the pixels), the 40-byte BITMAPINFOHEADER exactly as given,
// then the pixels as given. No colour table. All little-endian.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/media/format_blocks.h"

inline constexpr std::size_t kBitmapFileHeaderSize = 14;
inline constexpr std::size_t kBitmapPixelOffset = kBitmapFileHeaderSize + sizeof(BITMAPINFOHEADER);

std::vector<BYTE> BitmapFileBytes(const BITMAPINFOHEADER& header, const BYTE* pixels, std::size_t size);

// Writes a device-independent bitmap file: the file header, the BITMAPINFOHEADER and the
// rows as given (bottom-up for a positive biHeight).
#pragma once

#include <string>

#include "platform/media/format_blocks.h"

namespace qdmedia {

// Written to a temporary file and renamed, so a failure never leaves half a bitmap.
bool WriteBitmapFile(const std::string& path, const BITMAPINFOHEADER& header, const BYTE* bits, std::size_t size);

}  // namespace qdmedia

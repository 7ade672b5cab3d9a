// Device-independent bitmaps in memory: the bits of a picture laid out as its
// BITMAPINFOHEADER describes them (rows padded to 4 bytes, bottom-up for a positive height),
// behind a handle that DeleteObject frees. There is no device context on this platform; the
// calls keep the framework's signatures so that callers read as they do elsewhere.
#pragma once

#include <cstddef>

#include "platform/media/interfaces/win_types.h"

struct HBITMAP__;
using HBITMAP = HBITMAP__*;
using HGDIOBJ = void*;
struct HDC__;
using HDC = HDC__*;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

inline constexpr UINT DIB_RGB_COLORS = 0;

// Bytes of the picture the header describes: rows of width x bit count rounded up to 4 bytes,
// times the absolute height. 0 for a header that describes no uncompressed picture (no width,
// no height, an unknown bit count or compression) or one too large to hold in memory.
std::size_t DibImageSize(const BITMAPINFOHEADER& header);

// Allocates zeroed bits for the picture `info` describes and sets *bits to them. Only memory
// bitmaps exist: `dc`, `section` and `offset` must be null and 0. On failure returns null,
// sets *bits to null and the last error (ERROR_INVALID_PARAMETER for a header that describes
// no picture, ERROR_NOT_ENOUGH_MEMORY when the bits cannot be had).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// Frees a bitmap made by CreateDIBSection. FALSE, with ERROR_INVALID_HANDLE, for a handle that
// is not a live bitmap.
BOOL DeleteObject(HGDIOBJ object);

// How many bitmaps are alive (made and not yet freed), for tests and diagnostics.
std::size_t LiveDibSectionCount();

#include "platform/system/dib_section.h"

#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <set>

#include "platform/system/last_error.h"

namespace {

// Pictures beyond this are refused rather than allocated (8K RGBA is about 130 MB).
constexpr std::size_t kLargestImage = std::size_t{1} << 30;

struct DibSection {
    BITMAPINFOHEADER header;
    BYTE* bits;
};

// The live bitmaps, so that DeleteObject can refuse a handle it never gave out.
std::mutex& LiveMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<DibSection*>& LiveSections() {
    static auto* live = new std::set<DibSection*>;  // outlives static destructors that may still free
    return *live;
}

bool KnownBitCount(WORD bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

std::size_t DibImageSize(const BITMAPINFOHEADER& header) {
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<LONG>::min() || !KnownBitCount(header.biBitCount))
        return 0;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return 0;
    const auto width = static_cast<std::size_t>(header.biWidth);
    const auto height = static_cast<std::size_t>(std::labs(header.biHeight));
    const std::size_t stride = (width * header.biBitCount + 31) / 32 * 4;
    if (stride > kLargestImage / height) return 0;
    return stride * height;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    if (bits) *bits = nullptr;
    const std::size_t size = info ? DibImageSize(info->bmiHeader) : 0;
    if (!bits || dc || section || offset || usage != DIB_RGB_COLORS || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    BYTE* memory = new (std::nothrow) BYTE[size]();
    auto* dib = memory ? new (std::nothrow) DibSection{info->bmiHeader, memory} : nullptr;
    if (!dib) {
        delete[] memory;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    {
        std::lock_guard lock(LiveMutex());
        LiveSections().insert(dib);
    }
    *bits = dib->bits;
    return reinterpret_cast<HBITMAP>(dib);
}

BOOL DeleteObject(HGDIOBJ object) {
    auto* dib = static_cast<DibSection*>(object);
    {
        std::lock_guard lock(LiveMutex());
        if (!dib || LiveSections().erase(dib) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    delete[] dib->bits;
    delete dib;
    return TRUE;
}

std::size_t LiveDibSectionCount() {
    std::lock_guard lock(LiveMutex());
    return LiveSections().size();
}

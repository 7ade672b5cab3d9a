#include "engine/still_image_file.h"

namespace {

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::vector<BYTE>& out) : out_(out) {}
    void Word(WORD value) { Put(value, 2); }
    void Dword(DWORD value) { Put(value, 4); }
    void Long(LONG value) { Put(static_cast<DWORD>(value), 4); }

private:
    void Put(DWORD value, int bytes) {
        for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
    std::vector<BYTE>& out_;
};

}  // namespace

std::vector<BYTE> BitmapFileBytes(const BITMAPINFOHEADER& header, const BYTE* pixels, std::size_t size) {
    std::vector<BYTE> file;
    file.reserve(kBitmapPixelOffset + size);
    LittleEndianWriter out(file);
    out.Word(0x4D42);  // "BM"
    out.Dword(static_cast<DWORD>(size + kBitmapPixelOffset));
    out.Word(0);
    out.Word(0);
    out.Dword(static_cast<DWORD>(kBitmapPixelOffset));
    out.Dword(header.biSize);
    out.Long(header.biWidth);
    out.Long(header.biHeight);
    out.Word(header.biPlanes);
    out.Word(header.biBitCount);
    out.Dword(header.biCompression);
    out.Dword(header.biSizeImage);
    out.Long(header.biXPelsPerMeter);
    out.Long(header.biYPelsPerMeter);
    out.Dword(header.biClrUsed);
    out.Dword(header.biClrImportant);
    if (size > 0) file.insert(file.end(), pixels, pixels + size);
    return file;
}

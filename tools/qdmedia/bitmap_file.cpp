#include "tools/qdmedia/bitmap_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qdmedia {
namespace {

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

}  // namespace

bool WriteBitmapFile(const std::string& path, const BITMAPINFOHEADER& header, const BYTE* bits, std::size_t size) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
    BITMAPINFOHEADER info = header;
    info.biSizeImage = static_cast<DWORD>(size);
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info), sizeof info);
        out.write(reinterpret_cast<const char*>(bits), static_cast<std::streamsize>(size));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) std::remove(temporary.c_str());
    return !error;
}

}  // namespace qdmedia

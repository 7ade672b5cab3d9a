#include "tools/qdmedia/key_frames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace qdmedia {
namespace {

// The four characters of a code, upper case.
std::string Upper(std::uint32_t code) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += static_cast<char>(std::toupper(static_cast<unsigned char>(code >> (8 * i))));
    return text;
}

bool OneOf(const std::string& code, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return code == name; });
}

// Uncompressed pictures and codecs without prediction between pictures.
bool IntraOnly(const std::string& code) {
    return OneOf(code, {"YUY2", "YUYV", "YUNV", "UYVY", "UYNV", "YVYU", "HDYC", "2VUY", "I420", "IYUV", "YV12", "YV16",
                        "NV12", "NV21", "Y800", "Y8  ", "GREY", "Y41P", "Y211", "V210", "V308", "V408", "DIB ",
                        "MJPG", "AVRN", "DMB1", "JPEG", "LJPG", "MJLS", "DVSD", "DVHD", "DVSL", "DV25", "DV50",
                        "DVH1", "CDVC", "CDVH", "HFYU", "FFVH", "FFV1", "MJ2C", "ULRG", "ULRA", "ULY0", "ULY2",
                        "ULH0", "ULH2", "MAGY", "RAW ", "RGB ", "PNG ", "MPNG"});
}

bool H264(const std::string& code) { return OneOf(code, {"H264", "X264", "AVC1", "DAVC", "VSSH"}); }
bool Mpeg4(const std::string& code) {
    return OneOf(code, {"XVID", "DIVX", "DX50", "FMP4", "MP4V", "M4S2", "MP4S", "3IV2", "BLZ0"});
}

// Calls `found(next byte index)` after every 00 00 01 start code until it returns a decision.
template <typename Found>
std::optional<bool> EachStartCode(std::span<const std::uint8_t> bytes, Found found) {
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1) continue;
        if (const std::optional<bool> decided = found(i + 3)) return decided;
    }
    return std::nullopt;
}

}  // namespace

KeyFrameRule KeyFrameRuleFor(std::uint32_t compression, std::uint32_t handler) {
    // BI_RGB and BI_BITFIELDS: uncompressed.
    if (compression == 0 || compression == 3) return KeyFrameRule::EveryFrame;
    for (const std::uint32_t code : {compression, handler}) {
        const std::string name = Upper(code);
        if (IntraOnly(name)) return KeyFrameRule::EveryFrame;
        if (H264(name)) return KeyFrameRule::H264Bitstream;
        if (Mpeg4(name)) return KeyFrameRule::Mpeg4Bitstream;
    }
    return KeyFrameRule::FirstFrameOnly;
}

std::optional<bool> IsKeyFrame(KeyFrameRule rule, std::span<const std::uint8_t> bytes) {
    switch (rule) {
        case KeyFrameRule::EveryFrame:
            return true;
        case KeyFrameRule::FirstFrameOnly:
            return std::nullopt;
        case KeyFrameRule::H264Bitstream:
            // The first coded slice decides: an IDR slice (NAL type 5) starts a key frame.
            return EachStartCode(bytes, [&](std::size_t at) -> std::optional<bool> {
                const int type = bytes[at] & 0x1F;
                if (type >= 1 && type <= 5) return type == 5;
                return std::nullopt;
            });
        case KeyFrameRule::Mpeg4Bitstream:
            // A VOP (00 00 01 B6) whose coding type is 0 is intra coded.
            return EachStartCode(bytes, [&](std::size_t at) -> std::optional<bool> {
                if (bytes[at] != 0xB6 || at + 1 >= bytes.size()) return std::nullopt;
                return (bytes[at + 1] >> 6) == 0;
            });
    }
    return std::nullopt;
}

}  // namespace qdmedia

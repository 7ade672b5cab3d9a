// Still-image file names and the BMP file layout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "engine/still_image_file.h"
#include "engine/still_image_name.h"
#include "platform/system/local_time.h"

namespace {

struct NamingCase {
    const char* dir;
    const char* file;
    DWORD naming;
    DWORD number;
    const char* path;
    DWORD nextNumber;
};

class StillImageNaming : public testing::TestWithParam<NamingCase> {};

TEST_P(StillImageNaming, BuildsTheNameAndAdvancesTheNumber) {
    const NamingCase& c = GetParam();
    COptionProfile options;
    options.StillDir = c.dir;
    options.StillFile = c.file;
    options.StillNaming = c.naming;
    options.StillNumber = c.number;
    EXPECT_EQ(NextStillImagePath(options, 0), c.path);
    EXPECT_EQ(options.StillNumber, c.nextNumber);
}

INSTANTIATE_TEST_SUITE_P(Rules, StillImageNaming,
                         testing::Values(NamingCase{"/cap", "still", 1, 7, "/cap/still-0007.bmp", 8},
                                         NamingCase{"/cap", "still", 1, 9999, "/cap/still-9999.bmp", 0},
                                         NamingCase{"/cap", "", 1, 42, "/cap/0042.bmp", 43},
                                         NamingCase{"/cap", "still", 1, 12345, "/cap/still-12345.bmp", 0},
                                         NamingCase{"/cap/", "still", 0, 5, "/cap/still.bmp", 5},
                                         NamingCase{"", "still", 0, 0, "still.bmp", 0},
                                         NamingCase{"/cap", "", 0, 0, "/cap/.bmp", 0},
                                         NamingCase{"/cap", "still", 7, 3, "/cap/still.bmp", 3}));

TEST(StillImageNamingByTime, AddsTheLocalTimeAfterADash) {
    COptionProfile options;
    options.StillDir = "/cap";
    options.StillFile = "still";
    options.StillNaming = 2;
    options.StillNumber = 4;
    const std::time_t when = 1706741999;
    const std::string stamp = FormatLocalTime("%Y%m%d-%H%M%S", when);
    ASSERT_THAT(stamp, testing::MatchesRegex("[0-9]{8}-[0-9]{6}"));
    EXPECT_EQ(NextStillImagePath(options, when), "/cap/still-" + stamp + ".bmp");
    options.StillFile.clear();
    EXPECT_EQ(NextStillImagePath(options, when), "/cap/" + stamp + ".bmp");
    EXPECT_EQ(options.StillNumber, 4u);
}

TEST(StillImageNumbering, RunsThroughTheWrap) {
    COptionProfile options;
    options.StillFile = "s";
    options.StillNaming = 1;
    options.StillNumber = 9998;
    EXPECT_EQ(NextStillImagePath(options, 0), "s-9998.bmp");
    EXPECT_EQ(NextStillImagePath(options, 0), "s-9999.bmp");
    EXPECT_EQ(NextStillImagePath(options, 0), "s-0000.bmp");
    EXPECT_EQ(NextStillImagePath(options, 0), "s-0001.bmp");
}

template <typename T>
T At(const std::vector<BYTE>& bytes, std::size_t offset) {
    T value{};
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<T>(value | static_cast<T>(static_cast<std::uint64_t>(bytes[offset + i]) << (8 * i)));
    return value;
}

TEST(BitmapFileBytes, LaysOutTheHeadersLittleEndianAndThePixelsAsGiven) {
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 3;
    header.biHeight = -2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = 1234;  // kept as given, even where it disagrees with the pixels
    header.biXPelsPerMeter = 2835;
    header.biYPelsPerMeter = -1;
    header.biClrUsed = 0x01020304;
    header.biClrImportant = 5;
    const BYTE pixels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    const std::vector<BYTE> file = BitmapFileBytes(header, pixels, sizeof pixels);
    ASSERT_EQ(file.size(), 54u + sizeof pixels);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(At<DWORD>(file, 2), 54u + sizeof pixels);
    EXPECT_EQ(At<WORD>(file, 6), 0);
    EXPECT_EQ(At<WORD>(file, 8), 0);
    EXPECT_EQ(At<DWORD>(file, 10), 54u);
    EXPECT_EQ(std::memcmp(file.data() + 14, &header, 40), 0);  // the platform is little-endian too
    EXPECT_EQ(At<LONG>(file, 22), -2);
    EXPECT_EQ(At<DWORD>(file, 34), 1234u);
    EXPECT_EQ(At<DWORD>(file, 46), 0x01020304u);
    EXPECT_EQ(std::memcmp(file.data() + 54, pixels, sizeof pixels), 0);
}

TEST(BitmapFileBytes, WithoutPixelsIsTheTwoHeaders) {
    BITMAPINFOHEADER header{};
    const std::vector<BYTE> file = BitmapFileBytes(header, nullptr, 0);
    ASSERT_EQ(file.size(), 54u);
    EXPECT_EQ(At<DWORD>(file, 2), 54u);
}

}  // namespace

// Memory bitmaps: their size from the header, their zeroed bits, and the handles that free them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/system/dib_section.h"
#include "platform/system/last_error.h"

namespace {

BITMAPINFO Info(LONG width, LONG height, WORD bitCount, DWORD compression = BI_RGB) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = compression;
    return info;
}

struct ImageSizeCase {
    LONG width;
    LONG height;
    WORD bitCount;
    std::size_t size;
};

class DibImageSizeTest : public testing::TestWithParam<ImageSizeCase> {};

TEST_P(DibImageSizeTest, RowsArePaddedToFourBytesTimesTheAbsoluteHeight) {
    const ImageSizeCase& c = GetParam();
    EXPECT_EQ(DibImageSize(Info(c.width, c.height, c.bitCount).bmiHeader), c.size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DibImageSizeTest,
                         testing::Values(ImageSizeCase{640, 480, 24, 921600}, ImageSizeCase{640, -480, 24, 921600},
                                         ImageSizeCase{1, 1, 24, 4}, ImageSizeCase{5, 2, 24, 32},
                                         ImageSizeCase{3, 3, 8, 12}, ImageSizeCase{33, 1, 1, 8},
                                         ImageSizeCase{7, 2, 32, 56}));

TEST(DibImageSize, HeadersThatDescribeNoPictureGiveZero) {
    EXPECT_EQ(DibImageSize(Info(0, 480, 24).bmiHeader), 0u);
    EXPECT_EQ(DibImageSize(Info(-640, 480, 24).bmiHeader), 0u);
    EXPECT_EQ(DibImageSize(Info(640, 0, 24).bmiHeader), 0u);
    EXPECT_EQ(DibImageSize(Info(640, 480, 12).bmiHeader), 0u);
    EXPECT_EQ(DibImageSize(Info(640, 480, 16, 0x32595559 /* YUY2 */).bmiHeader), 0u);
    EXPECT_EQ(DibImageSize(Info(0x7fffffff, 0x7fffffff, 32).bmiHeader), 0u);
    BITMAPINFO shortHeader = Info(640, 480, 24);
    shortHeader.bmiHeader.biSize = 12;
    EXPECT_EQ(DibImageSize(shortHeader.bmiHeader), 0u);
}

TEST(DibSection, GivesZeroedBitsOfTheImageSizeAndFreesThem) {
    const BITMAPINFO info = Info(5, 2, 24);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    const std::size_t live = LiveDibSectionCount();
    EXPECT_GE(live, 1u);
    const auto* bytes = static_cast<const BYTE*>(bits);
    for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(bytes[i], 0) << i;
    std::memset(bits, 0xAB, 32);  // the whole image is writable (ASan checks the bound)
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(LiveDibSectionCount(), live - 1);
    SetLastError(0);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(DibSection, RefusesWhatItCannotMake) {
    void* bits = reinterpret_cast<void*>(1);
    const BITMAPINFO noWidth = Info(0, 480, 24);
    SetLastError(0);
    EXPECT_EQ(CreateDIBSection(nullptr, &noWidth, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const BITMAPINFO good = Info(4, 4, 24);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, &good, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, &good, DIB_RGB_COLORS, &bits, reinterpret_cast<HANDLE>(4), 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, &good, 1, &bits, nullptr, 0), nullptr);
    EXPECT_FALSE(DeleteObject(nullptr));
}

}  // namespace

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/com/hresult.h"

namespace {

TEST(HResult, CodesHaveThePlatformValues) {
    EXPECT_EQ(0x80004005u, static_cast<std::uint32_t>(E_FAIL));
    EXPECT_EQ(0x80004003u, static_cast<std::uint32_t>(E_POINTER));
    EXPECT_EQ(0x8007000Eu, static_cast<std::uint32_t>(E_OUTOFMEMORY));
    EXPECT_EQ(0x8004022Au, static_cast<std::uint32_t>(VFW_E_TYPE_NOT_ACCEPTED));
    EXPECT_EQ(0x80070002u, static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    EXPECT_EQ(0, HRESULT_FROM_WIN32(0));
}

TEST(HResult, ErrnoMapsToThePlatformCodes) {
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Win32ErrorFromErrno(ENOENT));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Win32ErrorFromErrno(EACCES));
    EXPECT_EQ(0x80070005u, static_cast<std::uint32_t>(HResultFromErrno(EACCES)));
}

TEST(HResult, KnownCodesHaveTextsAndUnknownOnesNone) {
    EXPECT_EQ("Unspecified error.", HResultText(E_FAIL));
    EXPECT_FALSE(HResultText(VFW_E_TYPE_NOT_ACCEPTED).empty());
    EXPECT_FALSE(HResultText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).empty());
    EXPECT_TRUE(HResultText(S_OK).empty());
    EXPECT_TRUE(HResultText(MakeHResult(0x80041234)).empty());
}

TEST(HResult, ErrorTextIsTruncatedToTheBuffer) {
    char small[8];
    EXPECT_EQ(7u, AMGetErrorTextA(E_FAIL, small, sizeof small));
    EXPECT_STREQ("Unspeci", small);
    char none[16] = "x";
    EXPECT_EQ(0u, AMGetErrorTextA(MakeHResult(0x80041234), none, sizeof none));
    EXPECT_STREQ("", none);
    EXPECT_EQ(0u, AMGetErrorTextA(E_FAIL, nullptr, 10));
}

}  // namespace

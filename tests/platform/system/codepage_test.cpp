#include <gtest/gtest.h>

#include "platform/system/codepage.h"

namespace {

TEST(Codepage, JapaneseTextRoundTrips) {
    const std::string utf8 = "追加ﾊﾞｰｼﾞｮﾝ";
    auto cp932 = Utf8ToCp932(utf8);
    ASSERT_TRUE(cp932);
    EXPECT_EQ("\x92\xC7\x89\xC1\xCA\xDE\xB0\xBC\xDE\xAE\xDD", *cp932);
    EXPECT_EQ(utf8, Cp932ToUtf8(*cp932).value());
    EXPECT_EQ(u"追加ﾊﾞｰｼﾞｮﾝ", Cp932ToUtf16(*cp932).value());
    EXPECT_EQ(*cp932, Utf16ToCp932(u"追加ﾊﾞｰｼﾞｮﾝ").value());
}

TEST(Codepage, BytesThatDoNotRoundTripAreKeptEscaped) {
    const std::string broken = "ab\x82";  // a lead byte without its trail byte
    EXPECT_FALSE(Cp932ToUtf8(broken));
    EXPECT_EQ("ab\\x82", Cp932ToDisplay(broken));
    EXPECT_EQ(u"ab\u0082", AnsiToWide(broken));
}

TEST(Codepage, CharactersOutsideTheCodePageAreRefused) {
    EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x8E\xA5"));  // an emoji
    EXPECT_EQ("?", WideToAnsi(u"\u00e9\u00e9").substr(0, 1));
}

}  // namespace

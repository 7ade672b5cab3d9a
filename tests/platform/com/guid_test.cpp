#include <gtest/gtest.h>

#include "platform/com/guid.h"

namespace {

constexpr GUID kStampfix = MakeGuid("7EF43911-BA21-4211-992D-7E777F7D15AF");

TEST(Guid, BytesFollowThePlatformLayout) {
    const BYTE expected[16] = {0x11, 0x39, 0xF4, 0x7E, 0x21, 0xBA, 0x11, 0x42,
                               0x99, 0x2D, 0x7E, 0x77, 0x7F, 0x7D, 0x15, 0xAF};
    EXPECT_EQ(0, std::memcmp(&kStampfix, expected, 16));
}

TEST(Guid, StringFormRoundTrips) {
    EXPECT_EQ("{7EF43911-BA21-4211-992D-7E777F7D15AF}", GuidToString(kStampfix));
    GUID parsed{};
    ASSERT_TRUE(GuidFromString("{7ef43911-ba21-4211-992d-7e777f7d15af}", &parsed));
    EXPECT_EQ(kStampfix, parsed);
}

class MalformedGuid : public ::testing::TestWithParam<const char*> {};

TEST_P(MalformedGuid, IsRefusedAndLeavesTheOutputAlone) {
    GUID out = kStampfix;
    EXPECT_FALSE(GuidFromString(GetParam(), &out));
    EXPECT_EQ(kStampfix, out);
}

INSTANTIATE_TEST_SUITE_P(Strings, MalformedGuid,
                         ::testing::Values("", "{}", "7EF43911-BA21-4211-992D-7E777F7D15AF",
                                           "{7EF43911-BA21-4211-992D-7E777F7D15A}",
                                           "{7EF43911-BA21-4211-992D-7E777F7D15AFF}",
                                           "{7EF43911XBA21-4211-992D-7E777F7D15AF}",
                                           "{7EF4391G-BA21-4211-992D-7E777F7D15AF}",
                                           "{7EF43911-BA21-4211-992D-7E777F7D15AF",
                                           "(7EF43911-BA21-4211-992D-7E777F7D15AF)",
                                           "{7EF43911-BA21-4211-992D-7E777F7D1 AF}"));

TEST(Guid, WideFormsMatchTheNarrowOnes) {
    OLECHAR buffer[39];
    ASSERT_EQ(39, StringFromGUID2(kStampfix, buffer, 39));
    EXPECT_EQ(0, StringFromGUID2(kStampfix, buffer, 38));
    CLSID back{};
    EXPECT_EQ(S_OK, CLSIDFromString(buffer, &back));
    EXPECT_EQ(kStampfix, back);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(u"{not a guid}", &back));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(u"{7EF43911-BA21-4211-992D-7E777F7D15A\u00c4}", &back));
}

}  // namespace

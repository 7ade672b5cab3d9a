// Which ALSA simple-mixer elements become which mixer lines, and the volume range mapping,
// on element lists made up here.
#include "platform/mixer/alsa_line_layout.h"

#include <gtest/gtest.h>

#include "platform/mixer/mixer_api.h"

namespace {

using namespace mixer;

AlsaElementInfo Playback(const char* name, unsigned index = 0) { return {name, index, true, true}; }
AlsaElementInfo CaptureOnly(const char* name) { return {name, 0, false, false}; }

TEST(AlsaLineLayout, MasterIsTheDestinationAndOutputsAreNotSources) {
    const std::vector<AlsaElementInfo> card = {Playback("Master"), Playback("Headphone"), Playback("Speaker"),
                                               Playback("PCM"),    Playback("Line"),      Playback("CD"),
                                               Playback("Mic"),    CaptureOnly("Capture"), Playback("Front")};
    const AlsaLineLayout layout = ChooseAlsaLines(card);
    ASSERT_TRUE(layout.destination);
    EXPECT_EQ(0u, *layout.destination);
    EXPECT_EQ((std::vector<std::size_t>{3, 4, 5, 6}), layout.sources);
}

TEST(AlsaLineLayout, CardWithoutMasterKeepsEveryPlaybackElementAsASource) {
    const AlsaLineLayout layout = ChooseAlsaLines({CaptureOnly("Mic"), Playback("PCM")});
    EXPECT_FALSE(layout.destination);
    EXPECT_EQ((std::vector<std::size_t>{1}), layout.sources);
}

TEST(AlsaLineLayout, OnlyTheFirstMasterIsTheDestinationAndIndexesShowInNames) {
    const std::vector<AlsaElementInfo> card = {Playback("PCM", 1), Playback("Master", 1), Playback("Master")};
    const AlsaLineLayout layout = ChooseAlsaLines(card);
    ASSERT_TRUE(layout.destination);
    EXPECT_EQ(2u, *layout.destination);
    EXPECT_EQ((std::vector<std::size_t>{0}), layout.sources);
    EXPECT_EQ("Master 1", AlsaLineName(card[1]));
    EXPECT_EQ("PCM 1", AlsaLineName(card[0]));
    EXPECT_EQ("Master", AlsaLineName(card[2]));
}

TEST(AlsaLineLayout, ElementWithOnlyASwitchIsALine) {
    const AlsaLineLayout layout = ChooseAlsaLines({{"Beep", 0, false, true}});
    EXPECT_EQ((std::vector<std::size_t>{0}), layout.sources);
}

struct NamedType {
    const char* name;
    DWORD type;
};

class AlsaComponentTypeTest : public testing::TestWithParam<NamedType> {};

TEST_P(AlsaComponentTypeTest, FollowsTheElementName) {
    EXPECT_EQ(GetParam().type, AlsaComponentType(Playback(GetParam().name)));
}

INSTANTIATE_TEST_SUITE_P(Names, AlsaComponentTypeTest,
                         testing::Values(NamedType{"PCM", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
                                         NamedType{"Line", MIXERLINE_COMPONENTTYPE_SRC_LINE},
                                         NamedType{"CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
                                         NamedType{"Front Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
                                         NamedType{"Beep", MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED}));

struct RangeCase {
    long minimum, maximum;
    long raw;
    DWORD mixer;
};

class AlsaVolumeRangeTest : public testing::TestWithParam<RangeCase> {};

TEST_P(AlsaVolumeRangeTest, MapsRawValuesOntoTheMixerRange) {
    const RangeCase& c = GetParam();
    const AlsaVolumeRange range(c.minimum, c.maximum);
    EXPECT_EQ(65535u, range.MixerMaximum());
    EXPECT_EQ(c.mixer, range.ToMixer(c.raw));
    EXPECT_EQ(c.raw, range.ToAlsa(c.mixer));
}

INSTANTIATE_TEST_SUITE_P(Ranges, AlsaVolumeRangeTest,
                         testing::Values(RangeCase{0, 87, 0, 0}, RangeCase{0, 87, 87, 65535},
                                         RangeCase{0, 87, 43, 32391}, RangeCase{-10239, 400, -10239, 0},
                                         RangeCase{-10239, 400, 400, 65535}, RangeCase{-10239, 400, 0, 63071},
                                         RangeCase{0, 65535, 12345, 12345}));

TEST(AlsaVolumeRange, RawValuesOutsideTheRangeAreTakenAtTheBounds) {
    const AlsaVolumeRange range(0, 87);
    EXPECT_EQ(0u, range.ToMixer(-5));
    EXPECT_EQ(65535u, range.ToMixer(200));
}

TEST(AlsaVolumeRange, MixerValuesAboveTheMaximumHaveNoRawValue) {
    EXPECT_FALSE(AlsaVolumeRange(0, 87).ToAlsa(65536));
}

TEST(AlsaVolumeRange, RangeWithoutExtentShowsAsZeroToZero) {
    const AlsaVolumeRange range(5, 5);
    EXPECT_EQ(0u, range.MixerMaximum());
    EXPECT_EQ(0u, range.ToMixer(5));
    EXPECT_EQ(5, range.ToAlsa(0));
    EXPECT_FALSE(range.ToAlsa(1));
}

}  // namespace

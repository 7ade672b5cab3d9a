// The channel plans: a few channels of every band of every country's broadcast and cable
// plan, with both carriers, and the numbers no plan has.
#include "platform/media/tuning/frequency_table.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace media {
namespace {

struct PlanCase {
    const char* name;
    LONG country;
    TunerInputType input;
    LONG channel;
    LONG picture;
    LONG sound;
};

std::ostream& operator<<(std::ostream& out, const PlanCase& c) { return out << c.name; }

// Names each instance after its case.
template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& caseInfo) {
    return caseInfo.param.name;
}

class ChannelPlan : public testing::TestWithParam<PlanCase> {};

TEST_P(ChannelPlan, GivesBothCarriersOfTheChannel) {
    const PlanCase& c = GetParam();
    const auto carriers = FrequenciesFor(c.country, c.input, c.channel);
    ASSERT_TRUE(carriers.has_value());
    EXPECT_EQ(c.picture, carriers->video);
    EXPECT_EQ(c.sound, carriers->audio);
}

constexpr TunerInputType kAir = TunerInputAntenna;
constexpr TunerInputType kCable = TunerInputCable;

INSTANTIATE_TEST_SUITE_P(
    Japan, ChannelPlan,
    testing::Values(PlanCase{"Vhf1", 81, kAir, 1, 91'250'000, 95'750'000},
                    PlanCase{"Vhf3", 81, kAir, 3, 103'250'000, 107'750'000},
                    PlanCase{"Vhf4", 81, kAir, 4, 171'250'000, 175'750'000},
                    PlanCase{"Vhf7", 81, kAir, 7, 189'250'000, 193'750'000},
                    PlanCase{"Vhf8OverlapsVhf7", 81, kAir, 8, 193'250'000, 197'750'000},
                    PlanCase{"Vhf12", 81, kAir, 12, 217'250'000, 221'750'000},
                    PlanCase{"Uhf13", 81, kAir, 13, 471'250'000, 475'750'000},
                    PlanCase{"Uhf62", 81, kAir, 62, 765'250'000, 769'750'000},
                    PlanCase{"Cable1", 81, kCable, 1, 91'250'000, 95'750'000},
                    PlanCase{"CableC13", 81, kCable, 13, 109'250'000, 113'750'000},
                    PlanCase{"CableC22", 81, kCable, 22, 163'250'000, 167'750'000},
                    PlanCase{"CableC23", 81, kCable, 23, 223'250'000, 227'750'000},
                    PlanCase{"CableC63", 81, kCable, 63, 463'250'000, 467'750'000}),
    CaseName<PlanCase>);

INSTANTIATE_TEST_SUITE_P(
    UnitedStates, ChannelPlan,
    testing::Values(PlanCase{"Air2", 1, kAir, 2, 55'250'000, 59'750'000},
                    PlanCase{"Air5", 1, kAir, 5, 77'250'000, 81'750'000},
                    PlanCase{"Air7", 1, kAir, 7, 175'250'000, 179'750'000},
                    PlanCase{"Air13", 1, kAir, 13, 211'250'000, 215'750'000},
                    PlanCase{"Air14", 1, kAir, 14, 471'250'000, 475'750'000},
                    PlanCase{"Air69", 1, kAir, 69, 801'250'000, 805'750'000},
                    PlanCase{"Cable1", 1, kCable, 1, 73'250'000, 77'750'000},
                    PlanCase{"Cable6", 1, kCable, 6, 83'250'000, 87'750'000},
                    PlanCase{"Cable14", 1, kCable, 14, 121'250'000, 125'750'000},
                    PlanCase{"Cable23", 1, kCable, 23, 217'250'000, 221'750'000},
                    PlanCase{"Cable94", 1, kCable, 94, 643'250'000, 647'750'000},
                    PlanCase{"Cable95", 1, kCable, 95, 91'250'000, 95'750'000},
                    PlanCase{"Cable100", 1, kCable, 100, 649'250'000, 653'750'000},
                    PlanCase{"Cable125", 1, kCable, 125, 799'250'000, 803'750'000}),
    CaseName<PlanCase>);

INSTANTIATE_TEST_SUITE_P(
    WesternEurope, ChannelPlan,
    testing::Values(PlanCase{"GermanyE2", 49, kAir, 2, 48'250'000, 53'750'000},
                    PlanCase{"GermanyE4", 49, kAir, 4, 62'250'000, 67'750'000},
                    PlanCase{"GermanyE5", 49, kAir, 5, 175'250'000, 180'750'000},
                    PlanCase{"GermanyE12", 49, kAir, 12, 224'250'000, 229'750'000},
                    PlanCase{"GermanyE21", 49, kAir, 21, 471'250'000, 476'750'000},
                    PlanCase{"GermanyE69", 49, kAir, 69, 855'250'000, 860'750'000},
                    PlanCase{"NetherlandsE30", 31, kAir, 30, 543'250'000, 548'750'000},
                    PlanCase{"SwedenE10", 46, kAir, 10, 210'250'000, 215'750'000},
                    PlanCase{"CableE6", 49, kCable, 6, 182'250'000, 187'750'000},
                    PlanCase{"CableS1", 49, kCable, 101, 105'250'000, 110'750'000},
                    PlanCase{"CableS10", 49, kCable, 110, 168'250'000, 173'750'000},
                    PlanCase{"CableS11", 49, kCable, 111, 231'250'000, 236'750'000},
                    PlanCase{"CableS20", 49, kCable, 120, 294'250'000, 299'750'000},
                    PlanCase{"CableS21", 43, kCable, 121, 303'250'000, 308'750'000},
                    PlanCase{"CableS41", 41, kCable, 141, 463'250'000, 468'750'000}),
    CaseName<PlanCase>);

struct GapCase {
    const char* name;
    LONG country;
    TunerInputType input;
    LONG channel;
};

std::ostream& operator<<(std::ostream& out, const GapCase& c) { return out << c.name; }

class NoSuchChannel : public testing::TestWithParam<GapCase> {};

TEST_P(NoSuchChannel, HasNoCarriers) {
    const GapCase& c = GetParam();
    EXPECT_FALSE(FrequenciesFor(c.country, c.input, c.channel).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Plans, NoSuchChannel,
    testing::Values(GapCase{"JapanZero", 81, kAir, 0}, GapCase{"JapanAir63", 81, kAir, 63},
                    GapCase{"JapanCable64", 81, kCable, 64}, GapCase{"UsAir1", 1, kAir, 1},
                    GapCase{"UsAir70", 1, kAir, 70}, GapCase{"UsCable126", 1, kCable, 126},
                    GapCase{"EuropeAir1", 49, kAir, 1}, GapCase{"EuropeAir13", 49, kAir, 13},
                    GapCase{"EuropeAir20", 49, kAir, 20}, GapCase{"EuropeAirSpecial", 49, kAir, 105},
                    GapCase{"EuropeCable70", 49, kCable, 70}, GapCase{"EuropeCable100", 49, kCable, 100},
                    GapCase{"EuropeCable142", 49, kCable, 142}, GapCase{"UnitedKingdom", 44, kAir, 30},
                    GapCase{"NegativeChannel", 81, kAir, -1}),
    CaseName<GapCase>);

TEST(ChannelPlanRanges, SpanTheLowestAndHighestChannelOfEachPlan) {
    EXPECT_EQ((ChannelRange{1, 62}), ChannelRangeFor(81, kAir));
    EXPECT_EQ((ChannelRange{1, 63}), ChannelRangeFor(81, kCable));
    EXPECT_EQ((ChannelRange{2, 69}), ChannelRangeFor(1, kAir));
    EXPECT_EQ((ChannelRange{1, 125}), ChannelRangeFor(1, kCable));
    EXPECT_EQ((ChannelRange{2, 69}), ChannelRangeFor(49, kAir));
    EXPECT_EQ((ChannelRange{2, 141}), ChannelRangeFor(49, kCable));
    EXPECT_FALSE(ChannelRangeFor(44, kAir).has_value());
    EXPECT_FALSE(ChannelRangeFor(0, kCable).has_value());
}

TEST(ChannelPlanStandards, NameTheCountrysSystem) {
    EXPECT_EQ(AnalogVideo_NTSC_M_J, VideoStandardFor(81));
    EXPECT_EQ(AnalogVideo_NTSC_M, VideoStandardFor(1));
    for (LONG country : {31, 32, 34, 41, 43, 45, 46, 47, 49, 351, 358}) {
        EXPECT_TRUE(HasFrequencyTable(country)) << country;
        EXPECT_EQ(AnalogVideo_PAL_B, VideoStandardFor(country)) << country;
        EXPECT_EQ(5'500'000, SoundCarrierOffset(country)) << country;
    }
    EXPECT_EQ(4'500'000, SoundCarrierOffset(81));
    EXPECT_EQ(0, VideoStandardFor(44));
    EXPECT_FALSE(HasFrequencyTable(44));
}

}  // namespace
}  // namespace media

#include "platform/media/tuning/tuner_state.h"

#include <gtest/gtest.h>

#include "platform/media/tuning/frequency_table.h"
#include "platform/media/capture_constants.h"

#include <map>
#include <tuple>

namespace media {
namespace {

// A tuner whose auto-tune table is a map, so these cases need no registry.
class Overrides {
public:
    TunerState::OverrideLookup Lookup() {
        return [this](LONG space, TunerInputType input, LONG channel) -> std::optional<LONG> {
            ++lookups;
            auto it = table.find({space, input, channel});
            if (it == table.end()) return std::nullopt;
            return it->second;
        };
    }
    std::map<std::tuple<LONG, TunerInputType, LONG>, LONG> table;
    int lookups = 0;
};

TEST(TunerState, StartsOnJapaneseChannelOne) {
    Overrides none;
    TunerState tuner(none.Lookup());
    EXPECT_EQ(tuner.CountryCode(), 81);
    EXPECT_EQ(tuner.Mode(), AMTUNER_MODE_TV);
    EXPECT_EQ(tuner.Channel(), 1);
    EXPECT_EQ(tuner.VideoFrequency(), 91'250'000);
    EXPECT_EQ(tuner.TVFormat(), AnalogVideo_NTSC_M_J);
    EXPECT_EQ(tuner.ChannelMinMax().min, 1);
    EXPECT_EQ(tuner.ChannelMinMax().max, 62);
}

TEST(TunerState, PutChannelTunesAndRejectsChannelsOutsideThePlan) {
    Overrides none;
    TunerState tuner(none.Lookup());
    ASSERT_EQ(tuner.PutChannel(12, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 217'250'000);
    EXPECT_EQ(tuner.AudioFrequency(), 221'750'000);
    EXPECT_EQ(tuner.PutChannel(63, 0, 0), E_INVALIDARG);
    EXPECT_EQ(tuner.PutChannel(0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(tuner.Channel(), 12);
    ASSERT_EQ(tuner.PutChannel(30, 2, 3), S_OK);
    EXPECT_EQ(tuner.VideoSubChannel(), 2);
    EXPECT_EQ(tuner.AudioSubChannel(), 3);
}

TEST(TunerState, CountryAndInputTypeChangeThePlan) {
    Overrides none;
    TunerState tuner(none.Lookup());
    EXPECT_EQ(tuner.PutCountryCode(44), E_INVALIDARG);
    EXPECT_EQ(tuner.CountryCode(), 81);
    ASSERT_EQ(tuner.PutChannel(62, 0, 0), S_OK);
    ASSERT_EQ(tuner.PutInputType(0, TunerInputCable), S_OK);
    EXPECT_EQ(tuner.ChannelMinMax().max, 63);
    EXPECT_EQ(tuner.VideoFrequency(), 457'250'000);  // C62 on cable
    ASSERT_EQ(tuner.PutCountryCode(1), S_OK);
    EXPECT_EQ(tuner.TVFormat(), AnalogVideo_NTSC_M);
    EXPECT_EQ(tuner.Channel(), 62);
    ASSERT_EQ(tuner.PutInputType(0, TunerInputAntenna), S_OK);
    ASSERT_EQ(tuner.PutChannel(69, 0, 0), S_OK);
    ASSERT_EQ(tuner.PutCountryCode(81), S_OK);
    EXPECT_EQ(tuner.Channel(), 1) << "a channel the new plan lacks falls back to its first";
    LONG type = -1;
    EXPECT_EQ(tuner.GetInputType(1, &type), E_INVALIDARG);
    EXPECT_EQ(tuner.PutInputType(0, 7), E_INVALIDARG);
    EXPECT_EQ(tuner.PutConnectInput(1), E_INVALIDARG);
    EXPECT_EQ(tuner.PutMode(AMTUNER_MODE_FM_RADIO), E_INVALIDARG);
    EXPECT_EQ(tuner.PutMode(AMTUNER_MODE_TV), S_OK);
}

TEST(TunerState, PutChannelLooksTheOverrideUpEachTime) {
    Overrides overrides;
    TunerState tuner(overrides.Lookup());
    tuner.PutTuningSpace(3);
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 177'250'000);
    overrides.table[{3, TunerInputAntenna, 5}] = 178'000'000;
    EXPECT_EQ(tuner.VideoFrequency(), 177'250'000) << "a tuner retunes only when told to";
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 178'000'000);
    EXPECT_EQ(tuner.AudioFrequency(), 182'500'000);
    tuner.PutTuningSpace(4);
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 177'250'000) << "another tuning space has its own table";
    tuner.PutTuningSpace(3);
    overrides.table[{3, TunerInputAntenna, 5}] = 2'147'483'647;
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.AudioFrequency(), 2'147'483'647) << "the sound carrier saturates instead of overflowing";
    overrides.table.clear();
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 177'250'000) << "a removed override gives the plan back";
}

TEST(TunerState, AChannelInAGapOfThePlanIsRefusedUnlessOverridden) {
    Overrides overrides;
    TunerState tuner(overrides.Lookup());
    ASSERT_EQ(tuner.PutCountryCode(49), S_OK);
    EXPECT_EQ(tuner.TVFormat(), AnalogVideo_PAL_B);
    ASSERT_EQ(tuner.PutChannel(21, 0, 0), S_OK);
    EXPECT_EQ(tuner.AudioFrequency(), 476'750'000) << "PAL B/G sound is 5.5 MHz above";
    EXPECT_EQ(tuner.PutChannel(15, 0, 0), E_INVALIDARG) << "E13-E20 do not exist";
    EXPECT_EQ(tuner.Channel(), 21);
    EXPECT_EQ(tuner.VideoFrequency(), 471'250'000);
    EXPECT_FALSE(tuner.AutoTune(15));
    overrides.table[{0, TunerInputAntenna, 15}] = 300'000'000;
    EXPECT_TRUE(tuner.AutoTune(15));
    ASSERT_EQ(tuner.PutChannel(15, 0, 0), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 300'000'000);
    EXPECT_EQ(tuner.AudioFrequency(), 305'500'000);
    EXPECT_TRUE(tuner.AutoTune(40));
    EXPECT_FALSE(tuner.AutoTune(99));
}

TEST(TunerState, ANewPlanThatLacksTheChannelFallsBackToItsFirst) {
    Overrides none;
    TunerState tuner(none.Lookup());
    ASSERT_EQ(tuner.PutChannel(13, 0, 0), S_OK);  // UHF 13 in Japan
    ASSERT_EQ(tuner.PutCountryCode(49), S_OK);     // no E13
    EXPECT_EQ(tuner.Channel(), 2);
    EXPECT_EQ(tuner.VideoFrequency(), 48'250'000);
    ASSERT_EQ(tuner.PutInputType(0, TunerInputCable), S_OK);
    ASSERT_EQ(tuner.PutChannel(141, 0, 0), S_OK);
    ASSERT_EQ(tuner.PutInputType(0, TunerInputAntenna), S_OK);
    EXPECT_EQ(tuner.Channel(), 2) << "S41 is a cable channel only";
}

}  // namespace
}  // namespace media

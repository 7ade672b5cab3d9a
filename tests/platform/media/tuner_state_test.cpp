#include "platform/media/virtual_card/tuner_state.h"

#include <gtest/gtest.h>

#include "platform/media/virtual_card/frequency_table.h"
#include "platform/media/capture_constants.h"

namespace media {
namespace {

TEST(FrequencyTable, JapaneseBroadcastChannelsFollowTheNtscJPlan) {
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 1)->video, 91'250'000);
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 4)->video, 171'250'000);
    // Channel 8 starts only 4 MHz above channel 7 (the two overlap).
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 7)->video, 189'250'000);
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 8)->video, 193'250'000);
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 13)->video, 471'250'000);
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 62)->video, 765'250'000);
    EXPECT_EQ(FrequenciesFor(81, TunerInputAntenna, 62)->audio, 769'750'000);
    EXPECT_FALSE(FrequenciesFor(81, TunerInputAntenna, 63).has_value());
    EXPECT_FALSE(FrequenciesFor(81, TunerInputAntenna, 0).has_value());
}

TEST(FrequencyTable, CableAndUsPlans) {
    EXPECT_EQ(FrequenciesFor(81, TunerInputCable, 13)->video, 109'250'000);
    EXPECT_EQ(FrequenciesFor(81, TunerInputCable, 63)->video, 463'250'000);
    EXPECT_EQ(FrequenciesFor(1, TunerInputAntenna, 2)->video, 55'250'000);
    EXPECT_EQ(FrequenciesFor(1, TunerInputAntenna, 5)->video, 77'250'000);
    EXPECT_EQ(FrequenciesFor(1, TunerInputAntenna, 69)->video, 801'250'000);
    EXPECT_EQ(FrequenciesFor(1, TunerInputCable, 95)->video, 91'250'000);
    EXPECT_EQ(FrequenciesFor(1, TunerInputCable, 125)->video, 799'250'000);
    EXPECT_EQ(ChannelRangeFor(1, TunerInputAntenna)->min, 2);
    EXPECT_EQ(ChannelRangeFor(1, TunerInputCable)->max, 125);
    EXPECT_FALSE(ChannelRangeFor(44, TunerInputAntenna).has_value());
}

TEST(TunerState, StartsOnJapaneseChannelOne) {
    TunerState tuner;
    EXPECT_EQ(tuner.CountryCode(), 81);
    EXPECT_EQ(tuner.Mode(), AMTUNER_MODE_TV);
    EXPECT_EQ(tuner.Channel(), 1);
    EXPECT_EQ(tuner.VideoFrequency(), 91'250'000);
    EXPECT_EQ(tuner.TVFormat(), AnalogVideo_NTSC_M_J);
    EXPECT_EQ(tuner.ChannelMinMax().min, 1);
    EXPECT_EQ(tuner.ChannelMinMax().max, 62);
}

TEST(TunerState, PutChannelTunesAndRejectsChannelsOutsideThePlan) {
    TunerState tuner;
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
    TunerState tuner;
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

TEST(TunerState, FrequencyOverrideTakesEffectOnRetune) {
    TunerState tuner;
    tuner.PutTuningSpace(3);
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    tuner.SetFrequencyOverrides({{5, 178'000'000}});
    EXPECT_EQ(tuner.VideoFrequency(), 177'250'000);
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.VideoFrequency(), 178'000'000);
    EXPECT_EQ(tuner.AudioFrequency(), 182'500'000);
    tuner.SetFrequencyOverrides({{5, 2'147'483'647}});
    ASSERT_EQ(tuner.PutChannel(5, 0, 0), S_OK);
    EXPECT_EQ(tuner.AudioFrequency(), 2'147'483'647) << "the sound carrier saturates instead of overflowing";
    EXPECT_TRUE(tuner.AutoTune(40));
    EXPECT_FALSE(tuner.AutoTune(99));
}

}  // namespace
}  // namespace media

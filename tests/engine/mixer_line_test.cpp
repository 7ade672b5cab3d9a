// The mixer line object: its volume conversions, line choice, mute and volume on the virtual
// mixer and on fakes with other bounds, and its behaviour when the device is missing.
#include "engine/mixer_line.h"

#include <gtest/gtest.h>

#include "tests/engine/fake_mixer.h"

namespace {

using mixer::VirtualMixerState;

struct Conversion {
    DWORD minimum, maximum, percent, value, percentBack;
};

class MixerConversionTest : public testing::TestWithParam<Conversion> {};

TEST_P(MixerConversionTest, WritesThenReadsWithTruncation) {
    const Conversion& c = GetParam();
    EXPECT_EQ(c.value, CMixerLine::ValueFromPercent(c.percent, c.minimum, c.maximum));
    EXPECT_EQ(c.percentBack, CMixerLine::PercentFromValue(c.value, c.minimum, c.maximum));
}

INSTANTIATE_TEST_SUITE_P(Bounds, MixerConversionTest,
                         testing::Values(Conversion{0, 65535, 50, 32767, 49}, Conversion{0, 65535, 0, 0, 0},
                                         Conversion{0, 65535, 100, 65535, 100}, Conversion{0, 100, 0, 0, 0},
                                         Conversion{0, 100, 37, 37, 37}, Conversion{0, 100, 100, 100, 100},
                                         Conversion{1000, 2000, 25, 1250, 25}));

TEST(MixerConversion, EqualBoundsReadAsZeroAndWriteTheBound) {
    EXPECT_EQ(0u, CMixerLine::PercentFromValue(7, 7, 7));
    EXPECT_EQ(0u, CMixerLine::PercentFromValue(0, 0, 0));
    EXPECT_EQ(7u, CMixerLine::ValueFromPercent(50, 7, 7));
}

class MixerLineTest : public testing::Test {
protected:
    void SetUp() override { mixer::ResetVirtualMixer(); }
    void TearDown() override {
        EXPECT_EQ(0u, mixer::OpenMixerHandles());
        mixer::ResetVirtualMixer();
    }
};

TEST_F(MixerLineTest, WaveOutSourceSelectsTheWaveOutLineNotSourceZero) {
    CMixerLine line;
    ASSERT_TRUE(line.Open(0, CMixerLine::kWaveOutSource));
    ASSERT_TRUE(line.SetVolume(10));
    EXPECT_EQ(6553u, VirtualMixerState(mixer::VirtualMixerWave).volume);
    EXPECT_EQ(mixer::kVirtualMixerInitialState.volume, VirtualMixerState(mixer::VirtualMixerLineIn).volume);
}

TEST_F(MixerLineTest, SourceIndexSelectsThatSource) {
    CMixerLine line;
    ASSERT_TRUE(line.Open(0, 2));
    ASSERT_TRUE(line.SetMute(TRUE));
    EXPECT_TRUE(VirtualMixerState(mixer::VirtualMixerMic).muted);
    EXPECT_FALSE(VirtualMixerState(mixer::VirtualMixerWave).muted);
}

TEST_F(MixerLineTest, VolumeFiftyOnTheVirtualMixerWrites32767AndReadsFortyNine) {
    CMixerLine line;
    ASSERT_TRUE(line.Open(0, 0));
    ASSERT_TRUE(line.SetVolume(50));
    EXPECT_EQ(32767u, VirtualMixerState(mixer::VirtualMixerLineIn).volume);
    DWORD percent = 0;
    ASSERT_TRUE(line.GetVolume(&percent));
    EXPECT_EQ(49u, percent);
}

TEST_F(MixerLineTest, ToggleMuteTwiceRestoresTheLine) {
    CMixerLine line;
    ASSERT_TRUE(line.Open(0, 1));
    ASSERT_TRUE(line.ToggleMute());
    EXPECT_TRUE(VirtualMixerState(mixer::VirtualMixerCd).muted);
    ASSERT_TRUE(line.ToggleMute());
    EXPECT_FALSE(VirtualMixerState(mixer::VirtualMixerCd).muted);
}

TEST_F(MixerLineTest, OpenWithALineSelectedSucceedsAndKeepsTheLine) {
    CMixerLine line;
    ASSERT_TRUE(line.Open(0, 0));
    ASSERT_TRUE(line.Open(5, CMixerLine::kWaveOutSource));
    ASSERT_TRUE(line.SetMute(TRUE));
    EXPECT_TRUE(VirtualMixerState(mixer::VirtualMixerLineIn).muted);
    EXPECT_EQ(1u, mixer::OpenMixerHandles());
}

TEST_F(MixerLineTest, EveryCallFailsWithoutALine) {
    CMixerLine line;
    BOOL muted = FALSE;
    DWORD percent = 0;
    EXPECT_FALSE(line.GetMute(&muted));
    EXPECT_FALSE(line.SetMute(TRUE));
    EXPECT_FALSE(line.ToggleMute());
    EXPECT_FALSE(line.GetVolume(&percent));
    EXPECT_FALSE(line.SetVolume(50));
    EXPECT_TRUE(line.Close());
}

TEST_F(MixerLineTest, DeviceIndexThatDoesNotExistFailsTheOpen) {
    CMixerLine line;
    EXPECT_FALSE(line.Open(1, 0));
    EXPECT_FALSE(line.SetVolume(10));
    EXPECT_EQ(0u, mixer::OpenMixerHandles());
}

// An open whose line does not exist keeps its handle until Close; a second open on the same
// object must not leave the first handle behind.
TEST_F(MixerLineTest, RepeatedFailedOpensHoldOneHandle) {
    CMixerLine line;
    EXPECT_FALSE(line.Open(0, 9));
    EXPECT_EQ(1u, mixer::OpenMixerHandles());
    EXPECT_FALSE(line.Open(0, 9));
    EXPECT_EQ(1u, mixer::OpenMixerHandles());
    ASSERT_TRUE(line.Open(0, 0));
    EXPECT_EQ(1u, mixer::OpenMixerHandles());
    line.Close();
    EXPECT_EQ(0u, mixer::OpenMixerHandles());
}

TEST_F(MixerLineTest, DestructorClosesTheHandle) {
    {
        CMixerLine line;
        ASSERT_TRUE(line.Open(0, 0));
        EXPECT_EQ(1u, mixer::OpenMixerHandles());
    }
    EXPECT_EQ(0u, mixer::OpenMixerHandles());
}

TEST_F(MixerLineTest, ControlWithEqualBoundsReportsZero) {
    ScopedFakeMixer fake;
    fake.state->minimum = fake.state->maximum = fake.state->volume = 9;
    CMixerLine line;
    ASSERT_TRUE(line.Open(ScopedFakeMixer::kFake, CMixerLine::kWaveOutSource));
    DWORD percent = 77;
    ASSERT_TRUE(line.GetVolume(&percent));
    EXPECT_EQ(0u, percent);
    EXPECT_TRUE(line.SetVolume(50));
    EXPECT_EQ(9u, fake.state->volume);
}

TEST_F(MixerLineTest, BoundsZeroToHundredKeepThePercent) {
    ScopedFakeMixer fake;
    fake.state->maximum = 100;
    CMixerLine line;
    ASSERT_TRUE(line.Open(ScopedFakeMixer::kFake, CMixerLine::kWaveOutSource));
    ASSERT_TRUE(line.SetVolume(63));
    EXPECT_EQ(63u, fake.state->volume);
    DWORD percent = 0;
    ASSERT_TRUE(line.GetVolume(&percent));
    EXPECT_EQ(63u, percent);
}

// A stored percent above 100 would ask for more than the control's maximum: refused, the
// line keeps its volume.
TEST_F(MixerLineTest, PercentAboveHundredIsRefusedByTheControl) {
    ScopedFakeMixer fake;
    fake.state->volume = 1234;
    CMixerLine line;
    ASSERT_TRUE(line.Open(ScopedFakeMixer::kFake, CMixerLine::kWaveOutSource));
    EXPECT_FALSE(line.SetVolume(101));
    EXPECT_FALSE(line.SetVolume(0xFFFFFFFF));
    EXPECT_EQ(1234u, fake.state->volume);
}

TEST_F(MixerLineTest, LineWithoutMuteFailsOnlyTheMuteCalls) {
    ScopedFakeMixer fake;
    fake.state->hasMute = false;
    CMixerLine line;
    ASSERT_TRUE(line.Open(ScopedFakeMixer::kFake, CMixerLine::kWaveOutSource));
    BOOL muted = FALSE;
    EXPECT_FALSE(line.GetMute(&muted));
    EXPECT_FALSE(line.ToggleMute());
    EXPECT_TRUE(line.SetVolume(100));
    EXPECT_EQ(65535u, fake.state->volume);
}

TEST_F(MixerLineTest, DeviceGoneAfterOpenFailsTheReadsAndWrites) {
    ScopedFakeMixer fake;
    CMixerLine line;
    ASSERT_TRUE(line.Open(ScopedFakeMixer::kFake, CMixerLine::kWaveOutSource));
    fake.state->present = false;
    BOOL muted = FALSE;
    DWORD percent = 0;
    EXPECT_FALSE(line.GetMute(&muted));
    EXPECT_FALSE(line.SetVolume(10));
    EXPECT_FALSE(line.GetVolume(&percent));
}

}  // namespace

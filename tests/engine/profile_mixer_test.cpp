// A device profile's playback mixer line applied, restored and read back, and the mixer bar's
// commands live and during time-shift viewing, on the virtual mixer and a fake.
#include "engine/profile_mixer.h"

#include <gtest/gtest.h>

#include "engine/mixer_bar_commands.h"
#include "engine/mixer_line.h"
#include "tests/engine/fake_mixer.h"

namespace {

using mixer::VirtualMixerLineState;
using mixer::VirtualMixerState;

class ProfileMixerTest : public testing::Test {
protected:
    void SetUp() override {
        mixer::ResetVirtualMixer();
        mixer::SetVirtualMixerState(mixer::VirtualMixerLineIn, {52428, false});  // 80 %
        profile_.MixerEnable = 1;
        profile_.MixerDevice = 0;
        profile_.MixerSource = 0;
        profile_.MixerVolume = 20;
        profile_.MixerMute = 1;
        profile_.MixerSavedVolume = 3;
        profile_.MixerSavedMute = 0;
    }
    void TearDown() override {
        EXPECT_EQ(0u, mixer::OpenMixerHandles());
        mixer::ResetVirtualMixer();
    }

    static VirtualMixerLineState LineIn() { return VirtualMixerState(mixer::VirtualMixerLineIn); }

    CDeviceProfile profile_;
};

TEST_F(ProfileMixerTest, ApplySavesTheLineThenSetsTheProfilesValues) {
    ApplyMixerLine(&profile_);
    EXPECT_EQ(80u, profile_.MixerSavedVolume);
    EXPECT_EQ(0u, profile_.MixerSavedMute);
    EXPECT_EQ(13107u, LineIn().volume);
    EXPECT_TRUE(LineIn().muted);
}

TEST_F(ProfileMixerTest, RestorePutsTheSavedStateBack) {
    ApplyMixerLine(&profile_);
    RestoreMixerLine(&profile_);
    EXPECT_EQ(52428u, LineIn().volume);
    EXPECT_FALSE(LineIn().muted);
}

TEST_F(ProfileMixerTest, ProfileWithoutMixerEnableIsNeverTouched) {
    profile_.MixerEnable = 0;
    const CDeviceProfile before = profile_;
    ApplyMixerLine(&profile_);
    RestoreMixerLine(&profile_);
    EXPECT_EQ(before.MixerSavedVolume, profile_.MixerSavedVolume);
    EXPECT_EQ(before.MixerSavedMute, profile_.MixerSavedMute);
    EXPECT_EQ(52428u, LineIn().volume);
    EXPECT_FALSE(LineIn().muted);
    ApplyMixerLine(nullptr);
    RestoreMixerLine(nullptr);
    ReadMixerLine(nullptr);
}

// A mixer device index that no longer exists (a USB card unplugged): every step fails alone
// and the profile keeps its fields.
TEST_F(ProfileMixerTest, DeviceIndexThatNoLongerExistsChangesNothing) {
    profile_.MixerDevice = 4;
    const CDeviceProfile before = profile_;
    ApplyMixerLine(&profile_);
    RestoreMixerLine(&profile_);
    EXPECT_EQ(before.MixerSavedVolume, profile_.MixerSavedVolume);
    EXPECT_EQ(before.MixerSavedMute, profile_.MixerSavedMute);
    EXPECT_EQ(before.MixerVolume, profile_.MixerVolume);
    EXPECT_EQ(before.MixerMute, profile_.MixerMute);
    EXPECT_EQ(52428u, LineIn().volume);
}

TEST_F(ProfileMixerTest, UnpluggedDeviceLeavesTheSavedFieldsAsTheyWere) {
    ScopedFakeMixer fake;
    fake.state->present = false;
    profile_.MixerDevice = ScopedFakeMixer::kFake;
    profile_.MixerSource = CMixerLine::kWaveOutSource;
    ApplyMixerLine(&profile_);
    EXPECT_EQ(3u, profile_.MixerSavedVolume);
    EXPECT_EQ(0u, profile_.MixerSavedMute);
    fake.state->present = true;
    ApplyMixerLine(&profile_);
    EXPECT_EQ(0u, profile_.MixerSavedVolume);
    EXPECT_TRUE(fake.state->muted);
}

TEST_F(ProfileMixerTest, LineWithoutMuteStillGetsItsVolume) {
    ScopedFakeMixer fake;
    fake.state->hasMute = false;
    fake.state->volume = 65535;
    profile_.MixerDevice = ScopedFakeMixer::kFake;
    profile_.MixerSource = CMixerLine::kWaveOutSource;
    ApplyMixerLine(&profile_);
    EXPECT_EQ(0u, profile_.MixerSavedMute);
    EXPECT_EQ(100u, profile_.MixerSavedVolume);
    EXPECT_EQ(13107u, fake.state->volume);
}

// The old profile's line gets back its state before the new profile's line is saved, so the
// new profile saves the line as it was before either profile touched it.
TEST_F(ProfileMixerTest, SwitchingProfilesRestoresTheOldLineFirst) {
    CDeviceProfile next = profile_;
    next.MixerVolume = 60;
    next.MixerMute = 0;
    ApplyMixerLine(&profile_);
    RestoreMixerLine(&profile_);
    ApplyMixerLine(&next);
    EXPECT_EQ(80u, next.MixerSavedVolume);
    EXPECT_EQ(0u, next.MixerSavedMute);
    EXPECT_EQ(39321u, LineIn().volume);
    RestoreMixerLine(&next);
    EXPECT_EQ(52428u, LineIn().volume);
}

TEST_F(ProfileMixerTest, ReadTakesTheLinesStateIntoTheProfile) {
    mixer::SetVirtualMixerState(mixer::VirtualMixerLineIn, {32767, true});
    ReadMixerLine(&profile_);
    EXPECT_EQ(49u, profile_.MixerVolume);
    EXPECT_EQ(1u, profile_.MixerMute);
    EXPECT_EQ(1u, profile_.MixerSavedMute);
    EXPECT_EQ(50u, profile_.MixerSavedVolume);
}

TEST_F(ProfileMixerTest, ReadWithoutMixerEnableOnlyResetsVolumeAndMute) {
    profile_.MixerEnable = 0;
    ReadMixerLine(&profile_);
    EXPECT_EQ(50u, profile_.MixerVolume);
    EXPECT_EQ(0u, profile_.MixerMute);
    EXPECT_EQ(3u, profile_.MixerSavedVolume);
    EXPECT_EQ(0u, profile_.MixerSavedMute);
}

TEST_F(ProfileMixerTest, ReadOfAMissingDeviceKeepsTheResetValues) {
    profile_.MixerDevice = 9;
    ReadMixerLine(&profile_);
    EXPECT_EQ(50u, profile_.MixerVolume);
    EXPECT_EQ(0u, profile_.MixerMute);
    EXPECT_EQ(1u, profile_.MixerSavedMute);
    EXPECT_EQ(50u, profile_.MixerSavedVolume);
}

// ---- The mixer bar ----

using MixerBarTest = ProfileMixerTest;

TEST_F(MixerBarTest, MuteClickedTwiceLeavesLineAndProfileAsTheyWere) {
    profile_.MixerMute = 0;
    ToggleMixerBarMute(&profile_, 0, 0);
    EXPECT_TRUE(LineIn().muted);
    EXPECT_EQ(1u, profile_.MixerMute);
    ToggleMixerBarMute(&profile_, 0, 0);
    EXPECT_FALSE(LineIn().muted);
    EXPECT_EQ(0u, profile_.MixerMute);
}

TEST_F(MixerBarTest, MuteFlipsTheProfileEvenWhenTheLineCannotBeOpened) {
    profile_.MixerDevice = 6;
    profile_.MixerMute = 0;
    ToggleMixerBarMute(&profile_, 0, 0);
    EXPECT_EQ(1u, profile_.MixerMute);
}

TEST_F(MixerBarTest, WithoutMixerEnableTheBarChangesNothing) {
    profile_.MixerEnable = 0;
    ToggleMixerBarMute(&profile_, 0, 0);
    SetMixerBarVolume(&profile_, 0, 0, 5);
    EXPECT_EQ(1u, profile_.MixerMute);
    EXPECT_EQ(20u, profile_.MixerVolume);
    EXPECT_EQ((VirtualMixerLineState{52428, false}.volume), LineIn().volume);
    ToggleMixerBarMute(nullptr, 0, 0);
    SetMixerBarVolume(nullptr, 0, 0, 5);
}

TEST_F(MixerBarTest, SliderStoresAndSetsTheVolume) {
    SetMixerBarVolume(&profile_, 0, 0, 100);
    EXPECT_EQ(100u, profile_.MixerVolume);
    EXPECT_EQ(65535u, LineIn().volume);
}

TEST_F(MixerBarTest, DuringTimeShiftViewingTheBarActsOnTheWaveOutLine) {
    ToggleMixerBarMute(&profile_, 2, 0);
    SetMixerBarVolume(&profile_, 2, 0, 0);
    EXPECT_TRUE(VirtualMixerState(mixer::VirtualMixerWave).muted);
    EXPECT_EQ(0u, VirtualMixerState(mixer::VirtualMixerWave).volume);
    EXPECT_EQ(1u, profile_.MixerMute);
    EXPECT_EQ(20u, profile_.MixerVolume);
    EXPECT_EQ(52428u, LineIn().volume);
}

TEST_F(MixerBarTest, ViewFollowsTheProfile) {
    MixerBarView view = MixerBarViewOf(&profile_);
    EXPECT_EQ(true, view.muted);
    EXPECT_EQ(20u, view.volume);
    profile_.MixerEnable = 0;
    view = MixerBarViewOf(&profile_);
    EXPECT_EQ(false, view.muted);
    EXPECT_FALSE(view.volume);
    view = MixerBarViewOf(nullptr);
    EXPECT_EQ(false, view.muted);
    EXPECT_FALSE(view.volume);
}

struct AudioModeCase {
    DWORD captureAudioMode;
    bool silencesLiveLine;
};

class TimeShiftMixerTest : public ProfileMixerTest, public testing::WithParamInterface<AudioModeCase> {};

TEST_P(TimeShiftMixerTest, PlaybackShowsTheWaveOutLineAndSilencesTheLiveLineWhenTheGraphPlaysNoSound) {
    mixer::SetVirtualMixerState(mixer::VirtualMixerWave, {45874, true});  // 70 %
    profile_.CaptureAudioMode = GetParam().captureAudioMode;
    const MixerBarView view = StartTimeShiftMixer(&profile_, 0);
    EXPECT_EQ(true, view.muted);
    EXPECT_EQ(69u, view.volume);
    EXPECT_EQ(GetParam().silencesLiveLine ? 0u : 52428u, LineIn().volume);
    EXPECT_EQ(20u, profile_.MixerVolume);

    const MixerBarView live = EndTimeShiftMixer(&profile_);
    EXPECT_EQ(13107u, LineIn().volume);
    EXPECT_EQ(true, live.muted);
    EXPECT_EQ(20u, live.volume);
}

INSTANTIATE_TEST_SUITE_P(CaptureAudioModes, TimeShiftMixerTest,
                         testing::Values(AudioModeCase{0, true}, AudioModeCase{1, false}, AudioModeCase{2, true},
                                         AudioModeCase{3, false}));

TEST_F(MixerBarTest, TimeShiftMixerThatDoesNotExistLeavesTheBarAsItIs) {
    const MixerBarView view = StartTimeShiftMixer(&profile_, 3);
    EXPECT_FALSE(view.muted);
    EXPECT_FALSE(view.volume);
}

}  // namespace

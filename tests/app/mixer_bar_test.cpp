// The mixer bar in the main window (offscreen): its place and controls, the mute button and the
// slider acting on the virtual mixer's lines, and the current profile's line set at start-up,
// on a profile switch and put back when the program leaves.
#include "app/mixer_bar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "app/main_frame.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "platform/mixer/virtual_mixer.h"
#include "platform/system/profile_directory.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

using mixer::VirtualMixerLineState;
using mixer::VirtualMixerState;

class MixerBarTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(false);
        mixer::ResetVirtualMixer();
        directory_ = ResolveProfileDirectory();
        ASSERT_FALSE(directory_.empty());
    }
    void TearDown() override { mixer::ResetVirtualMixer(); }

    std::unique_ptr<CMainFrame> StartFrame() {
        auto frame = std::make_unique<CMainFrame>(directory_, QString::fromStdString(directory_ + "Talvin.dat"));
        frame->SetMessageBoxHandler([](const QString&) {});
        EXPECT_TRUE(frame->Create());
        frame->RunStartupSequence();
        return frame;
    }

    // Leaves profiles on disk whose first is current and drives the virtual mixer's source
    // `source` at `volume` percent, muted; the options' graph switch as given.
    void StoreProfiles(std::initializer_list<std::pair<DWORD, DWORD>> sourcesAndVolumes, DWORD graphRunning = 1) {
        auto frame = StartFrame();
        CProfileStore& store = frame->Engine().Store();
        for (const auto& [source, volume] : sourcesAndVolumes) {
            auto profile = std::make_unique<CDeviceProfile>();
            profile->Name = "mixer " + std::to_string(store.DeviceProfiles.size());
            profile->MixerEnable = 1;
            profile->MixerDevice = 0;
            profile->MixerSource = source;
            profile->MixerVolume = volume;
            profile->MixerMute = 1;
            profile->MixerSavedVolume = 11;
            profile->MixerSavedMute = 0;
            store.DeviceProfiles.push_back(std::move(profile));
        }
        store.CurrentDevice = store.DeviceProfiles.front().get();
        store.Options.GraphRunning = graphRunning;
        frame->RunLeavingSequence();
    }

    static VirtualMixerLineState LineIn() { return VirtualMixerState(mixer::VirtualMixerLineIn); }

    TempEnvironment environment_;
    std::string directory_;
};

TEST_F(MixerBarTest, IsDockedAtTheBottomWithItsControlsAndViewCommand) {
    auto frame = StartFrame();
    frame->show();
    CMixerBar* bar = frame->MixerBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Qt::BottomDockWidgetArea, frame->dockWidgetArea(bar));
    EXPECT_EQ(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea, bar->allowedAreas());
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(ids::MixerMute, bar->MuteButton()->property("controlId").toInt());
    EXPECT_TRUE(bar->MuteButton()->isCheckable());
    EXPECT_FALSE(bar->MuteButton()->icon().isNull());
    EXPECT_EQ(ids::MixerVolume, bar->VolumeSlider()->property("controlId").toInt());
    EXPECT_EQ(0, bar->VolumeSlider()->minimum());
    EXPECT_EQ(100, bar->VolumeSlider()->maximum());
    EXPECT_EQ(QSlider::NoTicks, bar->VolumeSlider()->tickPosition());
    bool listed = false;
    for (QAction* menu : frame->menuBar()->actions())
        for (QAction* action : menu->menu()->actions())
            if (action->text() == QString::fromUtf8("ﾐｷｻｰ ﾊﾞｰ(&X)")) {
                listed = true;
                action->trigger();
                EXPECT_TRUE(bar->isHidden());
            }
    EXPECT_TRUE(listed);
}

TEST_F(MixerBarTest, StartUpSetsTheCurrentProfilesLineAndTheBarShowsIt) {
    StoreProfiles({{0, 20}});
    auto frame = StartFrame();
    const CDeviceProfile* current = frame->Engine().Store().CurrentDevice;
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(13107u, LineIn().volume);
    EXPECT_TRUE(LineIn().muted);
    EXPECT_EQ(74u, current->MixerSavedVolume);  // the line's three quarters, truncated
    EXPECT_EQ(0u, current->MixerSavedMute);
    EXPECT_TRUE(frame->MixerBar()->MuteButton()->isChecked());
    EXPECT_EQ(20, frame->MixerBar()->VolumeSlider()->value());
}

TEST_F(MixerBarTest, LeavingPutsTheLineBack) {
    StoreProfiles({{0, 20}});
    auto frame = StartFrame();
    frame->RunLeavingSequence();
    EXPECT_EQ(48495u, LineIn().volume);  // the saved 74 % (both conversions truncate)
    EXPECT_FALSE(LineIn().muted);
}

// With the graph released at start the line is never set, so leaving must not write the saved
// state of an earlier run over what the line has now.
TEST_F(MixerBarTest, LeavingWithoutHavingSetTheLineLeavesIt) {
    StoreProfiles({{0, 20}}, 0);
    auto frame = StartFrame();
    mixer::SetVirtualMixerState(mixer::VirtualMixerLineIn, {1000, true});
    frame->RunLeavingSequence();
    EXPECT_EQ(1000u, LineIn().volume);
    EXPECT_TRUE(LineIn().muted);
}

TEST_F(MixerBarTest, MuteButtonTogglesTheLineAndTheProfile) {
    StoreProfiles({{0, 20}});
    auto frame = StartFrame();
    frame->show();
    QToolButton* mute = frame->MixerBar()->MuteButton();
    const CDeviceProfile* current = frame->Engine().Store().CurrentDevice;
    QTest::mouseClick(mute, Qt::LeftButton);
    EXPECT_FALSE(mute->isChecked());
    EXPECT_FALSE(LineIn().muted);
    EXPECT_EQ(0u, current->MixerMute);
    QTest::mouseClick(mute, Qt::LeftButton);
    EXPECT_TRUE(mute->isChecked());
    EXPECT_TRUE(LineIn().muted);
    EXPECT_EQ(1u, current->MixerMute);
}

TEST_F(MixerBarTest, ReleasingTheSliderSetsTheLineAndTheProfile) {
    StoreProfiles({{0, 20}});
    auto frame = StartFrame();
    frame->show();
    QSlider* slider = frame->MixerBar()->VolumeSlider();
    slider->setValue(23);  // moving alone changes nothing
    EXPECT_EQ(13107u, LineIn().volume);
    const QPoint rightEnd(slider->width() - 3, slider->height() / 2);
    QTest::mouseClick(slider, Qt::RightButton, {}, rightEnd);  // only the left button moves it
    EXPECT_EQ(13107u, LineIn().volume);
    QTest::mousePress(slider, Qt::LeftButton, {}, rightEnd);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, rightEnd);
    const int position = slider->value();
    EXPECT_GT(position, 23);
    EXPECT_EQ(static_cast<DWORD>(position), frame->Engine().Store().CurrentDevice->MixerVolume);
    EXPECT_EQ(65535u * static_cast<DWORD>(position) / 100u, LineIn().volume);
}

TEST_F(MixerBarTest, DuringTimeShiftViewingTheBarActsOnTheWaveOutLine) {
    StoreProfiles({{0, 20}});
    auto frame = StartFrame();
    frame->show();
    frame->SetTimeShiftViewing(2);
    QTest::mouseClick(frame->MixerBar()->MuteButton(), Qt::LeftButton);
    EXPECT_TRUE(VirtualMixerState(mixer::VirtualMixerWave).muted);
    EXPECT_TRUE(LineIn().muted);
    EXPECT_EQ(1u, frame->Engine().Store().CurrentDevice->MixerMute);
}

TEST_F(MixerBarTest, SwitchingProfilesPutsTheOldLineBackBeforeSettingTheNew) {
    StoreProfiles({{0, 20}, {0, 60}});
    auto frame = StartFrame();
    CProfileStore& store = frame->Engine().Store();
    ASSERT_EQ(2u, store.DeviceProfiles.size());
    frame->SwitchDeviceProfile(1);
    const CDeviceProfile* next = store.CurrentDevice;
    ASSERT_EQ(store.DeviceProfiles[1].get(), next);
    // The line as the first profile found it: 74 % put back as 48495, which reads as 73 %.
    EXPECT_EQ(73u, next->MixerSavedVolume);
    EXPECT_EQ(0u, next->MixerSavedMute);
    EXPECT_EQ(39321u, LineIn().volume);
    EXPECT_EQ(60, frame->MixerBar()->VolumeSlider()->value());
}

}  // namespace

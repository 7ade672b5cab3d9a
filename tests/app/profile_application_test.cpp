// The main window applies device profiles where the program's flow asks for it: at start-up
// before the preview, and when the profile bar switches profiles.
#include <gtest/gtest.h>

#include <QComboBox>

#include "app/main_frame.h"
#include "app/profile_bar.h"
#include "app/splash_window.h"
#include "app/tv_bar.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/system/profile_directory.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

std::string Narrow(const char16_t* name) {
    const std::u16string wide = name;
    return std::string(wide.begin(), wide.end());
}

std::unique_ptr<CDeviceProfile> TvProfile(const char* name, DWORD channel, const char* channels) {
    auto device = std::make_unique<CDeviceProfile>();
    device->Name = name;
    device->ChannelProfileName = channels;
    device->VideoDeviceMoniker = Narrow(media::kVirtualTvCardName);
    device->AudioDeviceMoniker = Narrow(media::kVirtualTvCardAudioName);
    device->PreviewVideoMode = 1;
    device->ApplyPriority = kDefaultApplyPriority;
    device->TunerMode = AMTUNER_MODE_TV;
    device->TunerCountryCode = 81;
    device->TunerChannel = channel;
    device->TunerVideoSubChannel = static_cast<DWORD>(-1);
    device->TunerAudioSubChannel = static_cast<DWORD>(-1);
    device->TVAudioMode = AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_A;
    device->ExcludeItem[ApplyCrossbar1] = 1;  // routes of another card
    device->ExcludeItem[ApplyCrossbar2] = 1;
    return device;
}

std::unique_ptr<CChannelProfile> Channels(const char* name, DWORD channel) {
    auto profile = std::make_unique<CChannelProfile>();
    profile->Name = name;
    CChannelEntry entry;
    entry.ReceiveNumber = channel;
    entry.DisplayNumber = channel;
    entry.StationName = name;
    entry.Selectable = 1;
    profile->Entries.push_back(entry);
    return profile;
}

class ProfileApplicationTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(false);
        directory_ = ResolveProfileDirectory();
        CProfileStore store(directory_);
        store.LoadProfiles();
        store.DeviceProfiles.push_back(TvProfile("first", 12, "east"));
        store.DeviceProfiles.push_back(TvProfile("second", 27, "west"));
        store.ChannelProfiles.push_back(Channels("east", 12));
        store.ChannelProfiles.push_back(Channels("west", 27));
        store.CurrentDevice = store.DeviceProfiles[store.DeviceProfiles.size() - 2].get();
        ASSERT_TRUE(store.SaveProfileFiles());

        frame_ = std::make_unique<CMainFrame>(directory_, QString::fromStdString(directory_ + "Talvin.dat"));
        frame_->SetMessageBoxHandler([](const QString&) {});
        ASSERT_TRUE(frame_->Create());
        frame_->RunStartupSequence();
        ASSERT_TRUE(Session().TvTuner) << "the preview did not start on the virtual TV card";
    }

    GraphSession& Session() { return frame_->Engine().Session(); }
    LONG CardChannel() {
        LONG channel = 0, video = 0, audio = 0;
        Session().TvTuner->get_Channel(&channel, &video, &audio);
        return channel;
    }
    LONG CardAudioMode() {
        LONG mode = 0;
        Session().TvAudio->get_TVAudioMode(&mode);
        return mode;
    }

    TempEnvironment environment_;
    std::string directory_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(ProfileApplicationTest, StartUpAppliesTheCurrentProfileAndListsItsChannels) {
    CProfileStore& store = frame_->Engine().Store();
    ASSERT_TRUE(store.CurrentDevice);
    EXPECT_EQ(store.CurrentDevice->Name, "first");
    EXPECT_EQ(CardChannel(), 12);
    EXPECT_EQ(CardAudioMode(), AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_A);
    ASSERT_TRUE(store.CurrentChannel);
    EXPECT_EQ(store.CurrentChannel->Name, "east");
    QComboBox* channels = frame_->TvBar()->ChannelList();
    ASSERT_EQ(channels->count(), 1);
    EXPECT_EQ(channels->currentIndex(), 0);
    EXPECT_TRUE(Session().Previewing);
}

TEST_F(ProfileApplicationTest, SwitchingProfilesAppliesTheNewOneAndItsChannelProfile) {
    CProfileStore& store = frame_->Engine().Store();
    const int second = static_cast<int>(store.DeviceProfiles.size()) - 1;
    frame_->SwitchDeviceProfile(second);
    EXPECT_EQ(store.CurrentDevice, store.DeviceProfiles.back().get());
    EXPECT_EQ(CardChannel(), 27);
    ASSERT_TRUE(store.CurrentChannel);
    EXPECT_EQ(store.CurrentChannel->Name, "west");
    QComboBox* channels = frame_->TvBar()->ChannelList();
    ASSERT_EQ(channels->count(), 1);
    EXPECT_EQ(channels->itemText(0), QStringLiteral(" 27  west"));
    EXPECT_EQ(channels->currentIndex(), 0);
    EXPECT_TRUE(Session().Previewing);
}

}  // namespace

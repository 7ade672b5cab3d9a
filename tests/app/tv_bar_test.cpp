// The TV bar in the main window on the virtual TV card: its lists, and what choosing an item
// does to the card and to the current device profile.
#include "app/tv_bar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMainWindow>
#include <QMenuBar>

#include "app/main_frame.h"
#include "app/message_bar.h"
#include "app/splash_window.h"
#include "platform/system/message_beep.h"
#include "platform/system/profile_directory.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

CChannelEntry Entry(DWORD receive, DWORD display, const char* station, DWORD selectable = 1) {
    CChannelEntry entry;
    entry.ReceiveNumber = receive;
    entry.DisplayNumber = display;
    entry.StationName = station;
    entry.Selectable = selectable;
    return entry;
}

class TvBarTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(false);
        SetMessageBeepHandler([this](UINT) { ++beeps_; });
        const std::string directory = ResolveProfileDirectory();
        frame_ = std::make_unique<CMainFrame>(directory, QString::fromStdString(directory + "Talvin.dat"));
        frame_->SetMessageBoxHandler([](const QString&) {});
        ASSERT_TRUE(frame_->Create());
        frame_->RunStartupSequence();
        ASSERT_TRUE(Session().TvTuner) << "the preview did not start on the virtual TV card";

        CProfileStore& store = frame_->Engine().Store();
        auto channels = std::make_unique<CChannelProfile>();
        channels->Name = "Kanto";
        channels->Entries = {Entry(1, 1, "NHK"), Entry(4, 4, "NTV"), Entry(6, 6, "hidden", 0), Entry(8, 8, "Fuji"),
                             Entry(9999, 99, "Nowhere")};
        store.ChannelProfiles.push_back(std::move(channels));
        auto device = std::make_unique<CDeviceProfile>();
        device->Name = "TV";
        device->ChannelProfileName = "Kanto";
        device->TunerChannel = 4;
        device->TunerVideoSubChannel = static_cast<DWORD>(-1);
        device->TunerAudioSubChannel = static_cast<DWORD>(-1);
        device->TVAudioMode = AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A;
        device_ = device.get();
        store.DeviceProfiles.push_back(std::move(device));
        store.CurrentDevice = device_;
        frame_->Engine().SelectChannelProfile();
        Bar()->Refill();
    }
    void TearDown() override {
        frame_.reset();
        SetMessageBeepHandler(nullptr);
    }

    CTvBar* Bar() { return frame_->TvBar(); }
    GraphSession& Session() { return frame_->Engine().Session(); }
    static void Choose(QComboBox* list, int row) {
        list->setCurrentIndex(row);
        emit list->activated(row);
    }
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
    QStringList Reports() {
        QStringList lines;
        for (int i = 0; i < frame_->MessageBar()->Reports()->count(); ++i) lines << frame_->MessageBar()->Reports()->itemText(i);
        return lines;
    }

    TempEnvironment environment_;
    std::unique_ptr<CMainFrame> frame_;
    CDeviceProfile* device_ = nullptr;
    int beeps_ = 0;
};

TEST_F(TvBarTest, IsDockedAtTheBottomShownAndSwitchedFromTheViewMenu) {
    frame_->show();
    ASSERT_TRUE(Bar()->isVisible());
    EXPECT_EQ(frame_->dockWidgetArea(Bar()), Qt::BottomDockWidgetArea);
    EXPECT_EQ(Bar()->allowedAreas(), Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    EXPECT_EQ(Bar()->ChannelList()->property("controlId").toInt(), 1419);
    EXPECT_EQ(Bar()->SoundList()->property("controlId").toInt(), 1533);
    EXPECT_EQ(Bar()->LanguageList()->property("controlId").toInt(), 1534);
    bool found = false;
    for (QAction* menu : frame_->menuBar()->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions())
                if (action->text() == QString::fromUtf8("TV ﾊﾞｰ(&V)")) {
                    found = true;
                    action->trigger();
                    EXPECT_FALSE(Bar()->isVisible());
                    action->trigger();
                    EXPECT_TRUE(Bar()->isVisible());
                }
    EXPECT_TRUE(found);
}

TEST_F(TvBarTest, ListsTheSelectableChannelsWithTheTunedOneSelected) {
    QComboBox* list = Bar()->ChannelList();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0), QStringLiteral("  1  NHK"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("  4  NTV"));
    EXPECT_EQ(list->itemText(2), QStringLiteral("  8  Fuji"));
    EXPECT_EQ(list->itemText(3), QStringLiteral(" 99  Nowhere"));
    EXPECT_EQ(list->currentIndex(), 1);

    // A device profile without a channel profile of that name lists nothing.
    device_->ChannelProfileName = "Kansai";
    frame_->Engine().SelectChannelProfile();
    Bar()->Refill();
    EXPECT_EQ(list->count(), 0);
}

TEST_F(TvBarTest, ChoosingAChannelTunesTheCard) {
    Choose(Bar()->ChannelList(), 2);
    EXPECT_EQ(CardChannel(), 8);
    EXPECT_EQ(device_->TunerChannel, 8u);
    EXPECT_TRUE(Reports().isEmpty()) << Reports().join('\n').toStdString();
    EXPECT_EQ(beeps_, 0);
}

TEST_F(TvBarTest, ChannelOutsideTheTableIsReportedWithBeepAndTheProfileKeepsItsChannel) {
    Choose(Bar()->ChannelList(), 2);
    Choose(Bar()->ChannelList(), 3);
    EXPECT_EQ(CardChannel(), 8);
    EXPECT_EQ(device_->TunerChannel, 8u);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_TRUE(Reports()[0].endsWith(QStringLiteral(" - IAMTuner put_Channel"))) << Reports()[0].toStdString();
    EXPECT_EQ(beeps_, 1);
    EXPECT_EQ(Bar()->ChannelList()->currentIndex(), 2);
}

TEST_F(TvBarTest, AudioListsShowTheModeAndSetTheCard) {
    QComboBox* sound = Bar()->SoundList();
    QComboBox* language = Bar()->LanguageList();
    ASSERT_EQ(sound->count(), 3);
    ASSERT_EQ(language->count(), 5);
    EXPECT_EQ(sound->currentIndex(), 2);
    EXPECT_EQ(language->currentIndex(), 1);

    Choose(sound, 1);
    EXPECT_EQ(device_->TVAudioMode, 0x11u);
    EXPECT_EQ(CardAudioMode(), 0x11);
    Choose(language, 4);
    EXPECT_EQ(device_->TVAudioMode, 0x31u);
    EXPECT_EQ(CardAudioMode(), 0x31);
    Choose(language, 2);
    EXPECT_EQ(CardAudioMode(), 0x21);
    EXPECT_EQ(language->currentIndex(), 2);
    EXPECT_TRUE(Reports().isEmpty()) << Reports().join('\n').toStdString();
}

TEST_F(TvBarTest, AudioModeTheCardRefusesIsReportedWithBeepAndNotKept) {
    Choose(Bar()->LanguageList(), 0);  // stereo alone
    ASSERT_EQ(CardAudioMode(), 0x02);
    Choose(Bar()->SoundList(), 0);  // no mode at all
    EXPECT_EQ(CardAudioMode(), 0x02);
    EXPECT_EQ(device_->TVAudioMode, 0x02u);
    EXPECT_EQ(Bar()->SoundList()->currentIndex(), 2);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_TRUE(Reports()[0].endsWith(QStringLiteral(" - IAMTVAudio put_TVAudioMode"))) << Reports()[0].toStdString();
    EXPECT_EQ(beeps_, 1);
}

}  // namespace

// The main window's shell: bars and their layout, the tray icon, full screen, always on top,
// the aspect-keeping drag and the command enabling, on a real window (offscreen).
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <filesystem>

#include "app/engine_pane.h"
#include "app/information_bar.h"
#include "app/main_frame.h"
#include "app/main_toolbar.h"
#include "app/message_bar.h"
#include "app/mixer_bar.h"
#include "app/profile_bar.h"
#include "app/profile_list_bar.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "app/time_shift_bar.h"
#include "app/tray_icon.h"
#include "platform/system/profile_directory.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

class MainWindowShellTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(false);
        directory_ = ResolveProfileDirectory();
        ASSERT_FALSE(directory_.empty());
    }

    std::unique_ptr<CMainFrame> StartFrame(bool startup = true) {
        auto frame = std::make_unique<CMainFrame>(directory_, QString::fromStdString(directory_ + "Talvin.dat"));
        frame->SetMessageBoxHandler([this](const QString& text) { messageBoxes_.push_back(text); });
        EXPECT_TRUE(frame->Create());
        if (startup) frame->RunStartupSequence();
        frame->LoadWindowState();
        return frame;
    }

    static QDockWidget* Bar(CMainFrame& frame, int viewCommand) {
        for (const auto& [command, bar] : frame.DockBars())
            if (command == viewCommand) return bar;
        return nullptr;
    }

    TempEnvironment environment_;
    std::string directory_;
    QStringList messageBoxes_;
};

// ---- Bars ----

TEST_F(MainWindowShellTest, FirstStartShowsTheBarsOnTheirSidesWithNoMessage) {
    ASSERT_FALSE(fs::exists(directory_ + "window.dat"));
    auto frame = StartFrame();
    frame->show();
    const struct {
        int command;
        Qt::DockWidgetArea area;
        bool shown;
    } expected[] = {
        {ids::ViewMessageBar, Qt::BottomDockWidgetArea, true},  {ids::ViewInformationBar, Qt::RightDockWidgetArea, false},
        {ids::ViewTvBar, Qt::BottomDockWidgetArea, true},       {ids::ViewProfileBar, Qt::BottomDockWidgetArea, true},  {ids::ViewCompressorBar, Qt::BottomDockWidgetArea, false},
        {ids::ViewMuxBar, Qt::BottomDockWidgetArea, false},     {ids::ViewMixerBar, Qt::BottomDockWidgetArea, true},
        {ids::ViewTimeShiftBar, Qt::BottomDockWidgetArea, false},
    };
    for (const auto& bar : expected) {
        QDockWidget* dock = Bar(*frame, bar.command);
        ASSERT_NE(dock, nullptr) << bar.command;
        EXPECT_EQ(frame->dockWidgetArea(dock), bar.area) << bar.command;
        EXPECT_EQ(dock->isVisible(), bar.shown) << bar.command;
        EXPECT_EQ(frame->Command(bar.command)->isChecked(), bar.shown) << bar.command;
    }
    EXPECT_TRUE(messageBoxes_.isEmpty());
    EXPECT_EQ(frame->MessageBar()->Reports()->count(), 0);
    EXPECT_EQ(frame->CapturePane()->width(), 250);
    frame->RunLeavingSequence();
}

TEST_F(MainWindowShellTest, TheViewCommandsShowAndHideTheBars) {
    auto frame = StartFrame(false);
    frame->show();
    for (int command : {ids::ViewInformationBar, ids::ViewCompressorBar, ids::ViewMuxBar, ids::ViewTimeShiftBar,
                        ids::ViewMessageBar}) {
        QDockWidget* bar = Bar(*frame, command);
        const bool before = bar->isVisible();
        frame->Command(command)->trigger();
        EXPECT_NE(bar->isVisible(), before) << command;
        EXPECT_EQ(frame->Command(command)->isChecked(), bar->isVisible()) << command;
    }
}

// The layout of the bars goes to "Talvin.dat" under "Bar\Talv" and comes back from it.
TEST_F(MainWindowShellTest, DockLayoutIsKeptInTheSettingsFile) {
    {
        auto frame = StartFrame(false);
        frame->show();
        frame->CompressorBar()->show();
        frame->MessageBar()->hide();
        frame->addDockWidget(Qt::TopDockWidgetArea, frame->MuxBar());
        frame->MuxBar()->show();
        frame->addDockWidget(Qt::LeftDockWidgetArea, frame->InformationBar());
        frame->InformationBar()->show();
        frame->RunLeavingSequence();
    }
    QSettings settings(QString::fromStdString(directory_ + "Talvin.dat"), QSettings::IniFormat);
    ASSERT_FALSE(settings.value(QStringLiteral("Bar/Talv/State")).toByteArray().isEmpty());

    auto frame = StartFrame(false);
    frame->show();
    EXPECT_TRUE(frame->CompressorBar()->isVisible());
    EXPECT_FALSE(frame->MessageBar()->isVisible());
    EXPECT_TRUE(frame->MuxBar()->isVisible());
    EXPECT_EQ(frame->dockWidgetArea(frame->MuxBar()), Qt::TopDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(frame->InformationBar()), Qt::LeftDockWidgetArea);
    EXPECT_FALSE(frame->TimeShiftBar()->isVisible());
}

TEST_F(MainWindowShellTest, CompressorAndMuxBarsChooseTheCurrentProfiles) {
    auto frame = StartFrame();
    CProfileStore& store = frame->Engine().Store();
    for (const char* name : {"first", "second"}) {
        auto compressor = std::make_unique<CCompressorProfile>();
        compressor->Name = name;
        store.CompressorProfiles.push_back(std::move(compressor));
        auto mux = std::make_unique<CMuxProfile>();
        mux->Name = name;
        store.MuxProfiles.push_back(std::move(mux));
    }
    frame->RefillProfileLists();
    QComboBox* compressors = frame->CompressorBar()->List();
    QComboBox* muxes = frame->MuxBar()->List();
    ASSERT_EQ(compressors->count(), static_cast<int>(store.CompressorProfiles.size()));
    const int last = compressors->count() - 1;
    emit compressors->activated(last);
    EXPECT_EQ(store.CurrentCompressor, store.CompressorProfiles.back().get());
    emit muxes->activated(muxes->count() - 1);
    EXPECT_EQ(store.CurrentMux, store.MuxProfiles.back().get());
    // An invalid choice changes nothing.
    frame->ChooseCompressorProfile(99);
    frame->ChooseMuxProfile(-1);
    EXPECT_EQ(store.CurrentCompressor, store.CompressorProfiles.back().get());
    EXPECT_EQ(store.CurrentMux, store.MuxProfiles.back().get());
    frame->RunLeavingSequence();
}

// ---- Command enabling ----

TEST_F(MainWindowShellTest, CommandsAndListsFollowRecordingAndRelease) {
    auto frame = StartFrame();
    COptionProfile& options = frame->Engine().Store().Options;
    ASSERT_EQ(options.GraphRunning, 1u);
    frame->UpdateCommandStates();
    EXPECT_TRUE(frame->Command(ids::ChannelSettings)->isEnabled());
    EXPECT_TRUE(frame->Command(ids::FullScreen)->isEnabled());
    EXPECT_TRUE(frame->CompressorBar()->List()->isEnabled());
    EXPECT_TRUE(frame->ProfileBar()->isEnabled());

    frame->SetRecording(true);
    EXPECT_FALSE(frame->Command(ids::ChannelSettings)->isEnabled());
    EXPECT_FALSE(frame->Command(ids::FullScreen)->isEnabled());
    EXPECT_TRUE(frame->Command(ids::AlwaysOnTop)->isEnabled());
    EXPECT_TRUE(frame->Command(ids::SaveProfiles)->isEnabled());
    EXPECT_FALSE(frame->CompressorBar()->List()->isEnabled());
    EXPECT_FALSE(frame->MuxBar()->List()->isEnabled());
    EXPECT_FALSE(frame->ProfileBar()->isEnabled());
    options.AllowFullScreenWhileCapturing = 1;
    frame->UpdateCommandStates();
    EXPECT_TRUE(frame->Command(ids::FullScreen)->isEnabled());

    frame->SetRecording(false);
    options.GraphRunning = 0;
    frame->UpdateCommandStates();
    EXPECT_TRUE(frame->Command(ids::ChannelSettings)->isEnabled());
    EXPECT_FALSE(frame->Command(ids::FullScreen)->isEnabled());
    EXPECT_FALSE(frame->CompressorBar()->List()->isEnabled());
    EXPECT_FALSE(frame->Command(ids::BuildReleaseGraph)->isChecked());
    // Commands without their function yet never come on.
    for (int id : {ids::Record, ids::Stop, ids::OptionSettings, ids::Reservations, ids::PowerSaving})
        EXPECT_FALSE(frame->Command(id)->isEnabled()) << id;
    frame->RunLeavingSequence();
}

TEST_F(MainWindowShellTest, AspectCommandsSetTheRatioAndCheckIt) {
    auto frame = StartFrame(false);
    const COptionProfile& options = frame->Engine().Store().Options;
    frame->Command(ids::Aspect16x9)->trigger();
    EXPECT_EQ(options.AspectX, 16u);
    EXPECT_EQ(options.AspectY, 9u);
    EXPECT_TRUE(frame->Command(ids::Aspect16x9)->isChecked());
    EXPECT_FALSE(frame->Command(ids::Aspect4x3)->isChecked());
    frame->Command(ids::AspectFree)->trigger();
    EXPECT_EQ(options.AspectX, 0u);
    EXPECT_TRUE(frame->Command(ids::AspectFree)->isChecked());
}

TEST_F(MainWindowShellTest, AutoRestoreMinimizeFlipsBothCopies) {
    auto frame = StartFrame(false);
    const COptionProfile& options = frame->Engine().Store().Options;
    frame->Command(ids::AutoRestoreMinimize)->trigger();
    EXPECT_EQ(options.AutoRestoreMinimize, 1u);
    EXPECT_EQ(options.AutoRestoreMinimizeCopy, 1u);
    EXPECT_TRUE(frame->Command(ids::AutoRestoreMinimize)->isChecked());
    frame->Command(ids::AutoRestoreMinimize)->trigger();
    EXPECT_EQ(options.AutoRestoreMinimize, 0u);
    EXPECT_EQ(options.AutoRestoreMinimizeCopy, 0u);
}

// ---- Sizing ----

// With 4 x 3, pulling the right edge changes the height so that the video pane stays 4:3.
TEST_F(MainWindowShellTest, DraggingTheRightEdgeKeepsThePaneAtTheRatio) {
    auto frame = StartFrame(false);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->Command(ids::Aspect4x3)->trigger();
    const QRect before = frame->geometry();
    QRect dragged = before;
    dragged.setWidth(before.width() + 120);
    frame->OnUserSizing(before, dragged);
    QTest::qWait(50);
    const QSize pane = frame->EnginePane()->size();
    EXPECT_EQ(frame->geometry().left(), before.left());
    EXPECT_EQ(frame->geometry().top(), before.top());
    EXPECT_EQ(frame->width(), dragged.width());
    EXPECT_NE(frame->height(), before.height());
    EXPECT_NEAR(pane.height(), pane.width() * 3 / 4, 1) << pane.width() << " x " << pane.height();
}

// Bars restored shown and then hidden leave their height to the video pane, not to the bars
// that stay, so the drag still sizes the pane.
TEST_F(MainWindowShellTest, HiddenBarsLeaveTheirHeightToTheVideoPane) {
    const auto optionalBars = [](CMainFrame& frame) {
        return std::vector<QDockWidget*>{frame.CompressorBar(), frame.MuxBar(), frame.TimeShiftBar()};
    };
    {
        auto frame = StartFrame(false);
        frame->show();
        frame->setGeometry(0, 0, 1000, 850);
        for (QDockWidget* bar : optionalBars(*frame)) bar->show();
        QTest::qWait(50);
        frame->RunLeavingSequence();
    }
    auto frame = StartFrame(false);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QTest::qWait(50);
    for (QDockWidget* bar : optionalBars(*frame)) bar->hide();
    QTest::qWait(50);
    // A bar's title and its controls; never the rows the hidden bars had.
    EXPECT_LT(frame->MixerBar()->height(), frame->MixerBar()->widget()->sizeHint().height() + 30);
    frame->Command(ids::Aspect4x3)->trigger();
    const QRect before = frame->geometry();
    QRect dragged = before;
    dragged.setBottomRight(before.bottomRight() - QPoint(150, 200));
    frame->OnUserSizing(before, dragged);
    QTest::qWait(50);
    const QSize pane = frame->EnginePane()->size();
    EXPECT_NEAR(pane.height(), pane.width() * 3 / 4, 1) << pane.width() << " x " << pane.height();
}

TEST_F(MainWindowShellTest, WithoutARatioADragIsTakenAsItIs) {
    auto frame = StartFrame(false);
    frame->show();
    const QRect before = frame->geometry();
    QRect dragged = before;
    dragged.setWidth(before.width() + 77);
    frame->OnUserSizing(before, dragged);
    EXPECT_EQ(frame->geometry(), dragged);
}

// ---- Always on top and full screen ----

TEST_F(MainWindowShellTest, AlwaysOnTopFlipsWithoutMovingTheWindow) {
    auto frame = StartFrame(false);
    frame->show();
    frame->setGeometry(60, 70, 500, 420);
    const QRect placed = frame->geometry();
    frame->Command(ids::AlwaysOnTop)->trigger();
    EXPECT_EQ(frame->Engine().Store().Options.AlwaysOnTop, 1u);
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(frame->Command(ids::AlwaysOnTop)->isChecked());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->geometry(), placed);
    frame->Command(ids::AlwaysOnTop)->trigger();
    EXPECT_EQ(frame->Engine().Store().Options.AlwaysOnTop, 0u);
    EXPECT_FALSE(frame->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(frame->geometry(), placed);
}

TEST_F(MainWindowShellTest, FullScreenOnAndOffRestoresTheWindow) {
    auto frame = StartFrame();
    ASSERT_TRUE(frame->Engine().Session().VideoWindow) << "start-up previews on the virtual card";
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->setGeometry(80, 90, 560, 470);
    frame->CompressorBar()->show();
    QTest::qWait(50);
    const QRect placed = frame->geometry();
    frame->UpdateCommandStates();
    ASSERT_TRUE(frame->Command(ids::FullScreen)->isEnabled());

    frame->Command(ids::FullScreen)->trigger();
    EXPECT_TRUE(frame->IsFullScreenMode());
    LONG mode = OAFALSE;
    frame->Engine().Session().VideoWindow->get_FullScreenMode(&mode);
    EXPECT_EQ(mode, OATRUE);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->isFullScreen(); }, 2000));
    EXPECT_FALSE(frame->menuBar()->isVisible());
    EXPECT_FALSE(frame->ToolBar()->isVisible());
    EXPECT_FALSE(frame->MessageBar()->isVisible());

    frame->Command(ids::FullScreen)->trigger();
    EXPECT_FALSE(frame->IsFullScreenMode());
    frame->Engine().Session().VideoWindow->get_FullScreenMode(&mode);
    EXPECT_EQ(mode, OAFALSE);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isFullScreen() && frame->geometry() == placed; }, 2000))
        << frame->geometry().x() << "," << frame->geometry().y() << " " << frame->width() << "x" << frame->height();
    EXPECT_TRUE(frame->menuBar()->isVisible());
    EXPECT_TRUE(frame->ToolBar()->isVisible());
    EXPECT_TRUE(frame->MessageBar()->isVisible());
    EXPECT_TRUE(frame->CompressorBar()->isVisible());
    EXPECT_FALSE(frame->InformationBar()->isVisible());
    frame->RunLeavingSequence();
}

// What is saved in full screen is the window as it comes back: its placement and its bars.
TEST_F(MainWindowShellTest, SavingInFullScreenKeepsTheWindowedLayout) {
    QSize windowed;
    {
        auto frame = StartFrame();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->setGeometry(70, 80, 600, 500);
        frame->CompressorBar()->show();
        QTest::qWait(50);
        windowed = frame->size();
        frame->Command(ids::FullScreen)->trigger();
        ASSERT_TRUE(frame->IsFullScreenMode());
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame->isFullScreen(); }, 2000));
        frame->RunLeavingSequence();
    }
    auto frame = StartFrame(false);
    frame->show();
    EXPECT_EQ(frame->size(), windowed);
    EXPECT_TRUE(frame->MessageBar()->isVisible());
    EXPECT_TRUE(frame->CompressorBar()->isVisible());
    EXPECT_TRUE(frame->ToolBar()->isVisible());
}

// In full screen the right button only leaves it; otherwise it opens menu 331.
TEST_F(MainWindowShellTest, TheRightButtonLeavesFullScreenOrOpensTheVideoMenu) {
    auto frame = StartFrame();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->Command(ids::FullScreen)->trigger();
    ASSERT_TRUE(frame->IsFullScreenMode());
    frame->OnVideoRightButton(QPoint(10, 10));
    EXPECT_FALSE(frame->IsFullScreenMode());
    EXPECT_FALSE(frame->VideoPopupMenu()->isVisible());

    frame->OnVideoRightButton(QPoint(10, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->VideoPopupMenu()->isVisible(); }, 2000));
    QStringList items;
    for (QAction* action : frame->VideoPopupMenu()->actions())
        if (!action->isSeparator()) items << action->text();
    EXPECT_TRUE(items.contains(QStringLiteral("640 x 480")));
    EXPECT_TRUE(items.contains(QStringLiteral("150%")));
    frame->VideoPopupMenu()->hide();
    frame->RunLeavingSequence();
}

// ---- Tray icon ----

class TrayTest : public MainWindowShellTest {
protected:
    std::unique_ptr<CMainFrame> StartWithTray(bool trayOn) {
        auto frame = StartFrame(false);
        frame->TrayIcon()->SetHostProbe([this] { return host_; });
        frame->Engine().Store().Options.TrayIcon = trayOn ? 1 : 0;
        if (trayOn) frame->AddTrayIcon();
        return frame;
    }
    static QSystemTrayIcon* Icon(CMainFrame& frame) { return frame.TrayIcon()->findChild<QSystemTrayIcon*>(); }

    bool host_ = true;
};

// Offscreen there is no notification area: the icon cannot be added and the switch goes off.
TEST_F(TrayTest, WithoutANotificationAreaTheIconStaysOff) {
    auto frame = StartFrame(false);
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    frame->Command(ids::TrayIcon)->trigger();
    EXPECT_EQ(frame->Engine().Store().Options.TrayIcon, 0u);
    EXPECT_FALSE(frame->TrayIcon()->IsShown());
    EXPECT_FALSE(frame->Command(ids::TrayIcon)->isChecked());
    EXPECT_TRUE(messageBoxes_.isEmpty());
}

TEST_F(TrayTest, TheCommandAddsAndRemovesTheIcon) {
    auto frame = StartWithTray(false);
    frame->Command(ids::TrayIcon)->trigger();
    EXPECT_EQ(frame->Engine().Store().Options.TrayIcon, 1u);
    EXPECT_TRUE(frame->TrayIcon()->IsShown());
    EXPECT_TRUE(frame->Command(ids::TrayIcon)->isChecked());
    EXPECT_FALSE(frame->TrayIcon()->ToolTip().isEmpty());
    frame->Command(ids::TrayIcon)->trigger();
    EXPECT_EQ(frame->Engine().Store().Options.TrayIcon, 0u);
    EXPECT_FALSE(frame->TrayIcon()->IsShown());
}

TEST_F(TrayTest, MinimisingWithTheIconHidesTheWindowAndAClickBringsItBack) {
    auto frame = StartWithTray(true);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, 2000));
    frame->OnTrayLeftButton();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->isMinimized());
}

TEST_F(TrayTest, MinimisingWithoutTheIconKeepsTheWindow) {
    auto frame = StartWithTray(false);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->showMinimized();
    QTest::qWait(100);
    EXPECT_TRUE(frame->isVisible());
}

// A notification area that comes back (its panel restarted) gets the icon again.
TEST_F(TrayTest, TheIconIsAddedAgainWhenTheHostReappears) {
    auto frame = StartWithTray(true);
    QSystemTrayIcon* first = Icon(*frame);
    ASSERT_NE(first, nullptr);
    host_ = false;
    frame->TrayIcon()->CheckHost();
    EXPECT_EQ(Icon(*frame), first);
    host_ = true;
    frame->TrayIcon()->CheckHost();
    QSystemTrayIcon* second = Icon(*frame);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(frame->Engine().Store().Options.TrayIcon, 1u);
}

TEST_F(TrayTest, AReappearingHostAddsNothingWhenTheIconIsOff) {
    auto frame = StartWithTray(false);
    host_ = false;
    frame->TrayIcon()->CheckHost();
    host_ = true;
    frame->TrayIcon()->CheckHost();
    EXPECT_EQ(Icon(*frame), nullptr);
    EXPECT_FALSE(frame->TrayIcon()->IsShown());
}

// Menu 344: the settings commands, power saving, save profiles and exit.
TEST_F(TrayTest, TheRightButtonShowsTheTrayMenu) {
    auto frame = StartWithTray(true);
    frame->show();
    frame->OnTrayRightButton();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->TrayPopupMenu()->isVisible(); }, 2000));
    std::vector<int> ids;
    for (QAction* action : frame->TrayPopupMenu()->actions())
        if (!action->isSeparator()) ids.push_back(action->data().toInt());
    EXPECT_EQ(ids, (std::vector<int>{ids::OptionSettings, ids::DeviceSettings, ids::CompressorSettings,
                                     ids::ChannelSettings, ids::MuxSettings, ids::VideoFilterSettings,
                                     ids::AudioFilterSettings, ids::Reservations, ids::PowerSaving,
                                     ids::SaveProfiles, ids::AppExit}));
    frame->TrayPopupMenu()->hide();
}

}  // namespace

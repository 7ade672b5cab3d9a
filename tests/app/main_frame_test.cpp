#include "app/main_frame.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/channel_dialog.h"
#include "app/information_bar.h"
#include "app/message_bar.h"
#include "app/profile_bar.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "platform/com/com_runtime.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/system/profile_directory.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

std::vector<BYTE> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::vector<BYTE>> DatFiles(const fs::path& directory) {
    std::map<std::string, std::vector<BYTE>> files;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().extension() == ".dat" && entry.path().filename() != "Talvin.dat")
            files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
}

class MainFrameTest : public testing::Test {
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

    QStringList Reports(CMainFrame& frame) {
        QStringList lines;
        for (int i = 0; i < frame.MessageBar()->Reports()->count(); ++i)
            lines << frame.MessageBar()->Reports()->itemText(i);
        return lines;
    }

    TempEnvironment environment_;
    std::string directory_;
    QStringList messageBoxes_;
};

TEST_F(MainFrameTest, LeavingSavesProfilesWindowStateAndBarLayout) {
    auto frame = StartFrame();
    frame->RunLeavingSequence();
    EXPECT_TRUE(frame->HasLeft());
    EXPECT_EQ(fs::file_size(directory_ + "window.dat"), kWindowStateBytes);
    for (const char* name : {"device.dat", "compressor.dat", "channel.dat", "mux.dat", "record.dat", "videofilter.dat",
                             "audiofilter.dat", "option.dat"})
        EXPECT_TRUE(fs::exists(directory_ + name)) << name;
    QSettings settings(QString::fromStdString(directory_ + "Talvin.dat"), QSettings::IniFormat);
    EXPECT_FALSE(settings.value(QStringLiteral("Bar/Talv/State")).toByteArray().isEmpty());
    EXPECT_TRUE(messageBoxes_.isEmpty()) << messageBoxes_.join(QStringLiteral("\n")).toStdString();
}

TEST_F(MainFrameTest, LeavingRunsOnce) {
    auto frame = StartFrame();
    frame->RunLeavingSequence();
    const auto before = fs::last_write_time(directory_ + "window.dat");
    fs::remove(directory_ + "window.dat");
    frame->RunLeavingSequence();
    EXPECT_FALSE(fs::exists(directory_ + "window.dat"));
    (void)before;
}

// A second run that changes nothing writes back exactly what it loaded.
TEST_F(MainFrameTest, SecondRunWritesBackWhatItLoaded) {
    StartFrame()->RunLeavingSequence();
    const auto firstRun = DatFiles(directory_);
    ASSERT_EQ(firstRun.size(), 9u);  // eight archives and window.dat
    StartFrame()->RunLeavingSequence();
    const auto secondRun = DatFiles(directory_);
    ASSERT_EQ(secondRun.size(), firstRun.size());
    for (const auto& [name, bytes] : firstRun) EXPECT_EQ(secondRun.at(name), bytes) << name;
}

// A window whose start-up ended before the profiles and the window state were read (its
// creation, say, failed) leaves every file as it found it.
TEST_F(MainFrameTest, LeavingBeforeStartUpReadTheFilesWritesNothing) {
    {
        auto frame = StartFrame();
        auto named = std::make_unique<CDeviceProfile>();
        named->Name = "kept";
        frame->Engine().Store().DeviceProfiles.push_back(std::move(named));
        frame->RunLeavingSequence();
    }
    WindowState placed;
    placed.OptionsSheetPage = 4;
    placed.Placement.normal = {12, 34, 12 + 500, 34 + 400};
    const auto windowBytes = StoreWindowState(placed);
    std::ofstream(directory_ + "window.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(windowBytes.data()), static_cast<std::streamsize>(windowBytes.size()));
    const auto before = DatFiles(directory_);
    ASSERT_EQ(before.size(), 9u);

    auto frame = std::make_unique<CMainFrame>(directory_, QString::fromStdString(directory_ + "Talvin.dat"));
    frame->SetMessageBoxHandler([this](const QString& text) { messageBoxes_.push_back(text); });
    ASSERT_TRUE(frame->Create());
    frame.reset();

    const auto after = DatFiles(directory_);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name;
}

TEST_F(MainFrameTest, WindowStateRoundTripsThroughTheFrame) {
    WindowState saved;
    saved.ReservationEditor = {1, 2, 3, 4};
    saved.ReservationColumns = {5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    saved.OptionsSheetPage = 3;
    saved.Placement.normal = {40, 50, 40 + 700, 50 + 520};
    const auto bytes = StoreWindowState(saved);
    std::ofstream(directory_ + "window.dat", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                    static_cast<std::streamsize>(bytes.size()));
    auto frame = StartFrame(false);
    EXPECT_EQ(frame->State().ReservationEditor, saved.ReservationEditor);
    EXPECT_EQ(frame->State().ReservationColumns, saved.ReservationColumns);
    EXPECT_EQ(frame->size(), QSize(700, 520));
    frame->SaveWindowState();
    auto reread = ParseWindowState(ReadBytes(directory_ + "window.dat"));
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->ReservationEditor, saved.ReservationEditor);
    EXPECT_EQ(reread->ReservationColumns, saved.ReservationColumns);
    EXPECT_EQ(reread->OptionsSheetPage, 3);
    EXPECT_EQ(reread->Placement.normal.right - reread->Placement.normal.left, 700);
}

TEST_F(MainFrameTest, OlderWindowStateKeepsTheRest) {
    // Version 2555: reservation editor rectangle, no column widths.
    std::vector<BYTE> bytes = StoreWindowState(WindowState{});
    bytes[0] = 2555 & 0xFF;
    bytes[1] = 2555 >> 8;
    const std::size_t withoutSecondSheetAndColumns = 196 - 8 - 8 - 40;
    bytes.resize(withoutSecondSheetAndColumns);
    std::ofstream(directory_ + "window.dat", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                    static_cast<std::streamsize>(bytes.size()));
    auto frame = StartFrame(false);
    EXPECT_TRUE(Reports(*frame).isEmpty());
    EXPECT_EQ(frame->State().ReservationColumns[0], -1);
    frame->SaveWindowState();
    EXPECT_EQ(fs::file_size(directory_ + "window.dat"), kWindowStateBytes);
}

TEST_F(MainFrameTest, DamagedWindowStateIsReportedAndSetAside) {
    const std::vector<char> garbage = {'j', 'u', 'n', 'k', 0, 0, 0};
    std::ofstream(directory_ + "window.dat", std::ios::binary).write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    auto frame = StartFrame(false);
    const QStringList reports = Reports(*frame);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("CArchive Read window.dat")));
    EXPECT_FALSE(fs::exists(directory_ + "window.dat"));
    bool keptAside = false;
    for (const auto& entry : fs::directory_iterator(directory_))
        if (entry.path().filename().string().starts_with("window.dat.damaged-")) keptAside = ReadBytes(entry.path()).size() == garbage.size();
    EXPECT_TRUE(keptAside);
    EXPECT_TRUE(messageBoxes_.isEmpty());
}

// A directory in the file's place cannot be opened as a file, whoever runs the test (root
// reads files without read permission, so a permission change would prove nothing).
TEST_F(MainFrameTest, UnreadableWindowStateShowsTheOpenMessage) {
    fs::create_directory(directory_ + "window.dat");
    auto frame = StartFrame(false);
    EXPECT_EQ(messageBoxes_, QStringList{QStringLiteral("CFile Open window.dat")});
    EXPECT_TRUE(Reports(*frame).isEmpty());
    EXPECT_TRUE(fs::is_directory(directory_ + "window.dat"));  // not mistaken for a damaged file
}

TEST_F(MainFrameTest, FirstStartHasNoWindowStateAndNoMessage) {
    auto frame = StartFrame(false);
    EXPECT_FALSE(frame->State().HasPlacement);
    EXPECT_TRUE(messageBoxes_.isEmpty());
    EXPECT_TRUE(Reports(*frame).isEmpty());
}

// ---- Graph events while previewing ----

class GraphEventTest : public MainFrameTest {
protected:
    void SetUp() override {
        MainFrameTest::SetUp();
        frame_ = StartFrame();
        ASSERT_EQ(frame_->Engine().Session().Previewing, 1u);
        ASSERT_TRUE(frame_->Engine().Session().MediaEvent);
        reportsAtStart_ = static_cast<int>(Reports(*frame_).size());
    }

    // Posts an event into the running graph, as a filter would.
    void Notify(LONG code, LONG_PTR first, LONG_PTR second) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(S_OK, frame_->Engine().Session().Graph.As(&sink));
        ASSERT_EQ(S_OK, sink->Notify(code, first, second));
    }

    int ReportsMatching(const QString& pattern) {
        const QRegularExpression expression(pattern);
        int matches = 0;
        for (const QString& line : Reports(*frame_))
            if (expression.match(line).hasMatch()) ++matches;
        return matches;
    }

    bool StopsWithin(int ms) {
        return QTest::qWaitFor([this] { return frame_->Engine().Session().Previewing == 0; }, ms);
    }

    int NewReports() { return static_cast<int>(Reports(*frame_).size()) - reportsAtStart_; }

    std::unique_ptr<CMainFrame> frame_;
    int reportsAtStart_ = 0;
};

TEST_F(GraphEventTest, LostCardIsReportedAndThePreviewStops) {
    media::VirtualCard::Current()->Disappear();
    ASSERT_TRUE(QTest::qWaitFor([this] { return ReportsMatching(QStringLiteral("EC_DEVICE_LOST")) > 0; }, 10000));
    EXPECT_TRUE(StopsWithin(2000));
    EXPECT_GE(ReportsMatching(QStringLiteral(" - 80004005 - .*IMediaEventEx EC_DEVICE_LOST [0-9a-f]{8}$")), 1);
    // The selected line is the newest report.
    EXPECT_EQ(frame_->MessageBar()->Reports()->currentIndex(), frame_->MessageBar()->Reports()->count() - 1);
}

TEST_F(GraphEventTest, AbortIsReportedWithItsResultAndThePreviewStops) {
    Notify(EC_ERRORABORT, static_cast<LONG_PTR>(static_cast<HRESULT>(0x8004022A)), 0);
    ASSERT_TRUE(StopsWithin(5000));
    EXPECT_EQ(ReportsMatching(QStringLiteral(" - 8004022a - .*IMediaEventEx EC_ERRORABORT$")), 1);
}

// Only the session's own capture filters count, and only when they go away (not come back).
TEST_F(GraphEventTest, OtherDevicesAndReturningDevicesChangeNothing) {
    const GraphSession& session = frame_->Engine().Session();
    ComPtr<IBaseFilter> other;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     other.ReleaseAndGetVoidAddress()));
    Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(other.Get())), 0);
    Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(session.VideoCaptureFilter.Get())), 1);
    Notify(EC_COMPLETE, S_OK, 0);
    QTest::qWait(300);
    EXPECT_EQ(session.Previewing, 1u);
    EXPECT_EQ(NewReports(), 0) << Reports(*frame_).join(QStringLiteral("\n")).toStdString();
}

TEST_F(GraphEventTest, OneNotificationWithSeveralFailuresReportsEachAndStopsOnce) {
    const GraphSession& session = frame_->Engine().Session();
    ComPtr<IUnknown> audioIdentity;
    ASSERT_TRUE(session.AudioCaptureFilter);
    ASSERT_EQ(S_OK, session.AudioCaptureFilter->QueryInterface(IID_IUnknown, audioIdentity.ReleaseAndGetVoidAddress()));
    Notify(EC_ERRORABORT, static_cast<LONG_PTR>(E_FAIL), 0);
    Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(audioIdentity.Get()), 0);
    ASSERT_TRUE(StopsWithin(5000));
    QTest::qWait(100);
    EXPECT_EQ(ReportsMatching(QStringLiteral("IMediaEventEx EC_ERRORABORT$")), 1);
    EXPECT_EQ(ReportsMatching(QStringLiteral("IMediaEventEx EC_DEVICE_LOST [0-9a-f]{8}$")), 1);
    EXPECT_EQ(NewReports(), 2);  // the one stop reports nothing of its own
}

// ---- Keys and name fields ----

// Up and Down are taken by the window and do nothing, wherever the focus is.
TEST_F(MainFrameTest, ArrowKeysNeitherStepThroughProfilesNorRebuildTheGraph) {
    auto frame = StartFrame();
    CProfileStore& store = frame->Engine().Store();
    for (const char* name : {"first", "second", "third"}) {
        auto profile = std::make_unique<CDeviceProfile>();
        profile->Name = name;
        store.DeviceProfiles.push_back(std::move(profile));
    }
    store.CurrentDevice = store.DeviceProfiles[store.DeviceProfiles.size() - 2].get();  // one above the last
    frame->ProfileBar()->Refill(store);
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QComboBox* list = frame->ProfileBar()->DeviceList();
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->hasFocus(); }, 2000));

    const int selected = list->currentIndex();
    CDeviceProfile* const current = store.CurrentDevice;
    IGraphBuilder* const graph = frame->Engine().Session().Graph.Get();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}) {
        QTest::keyClick(list, key);
        EXPECT_EQ(list->currentIndex(), selected);
        EXPECT_EQ(store.CurrentDevice, current);
        EXPECT_EQ(frame->Engine().Session().Graph.Get(), graph);
        EXPECT_EQ(frame->Engine().Session().Previewing, 1u);
    }
}

TEST_F(MainFrameTest, DeviceFieldsWithoutDevicesShowNone) {
    auto frame = StartFrame(false);  // no devices chosen
    frame->RefreshNames();
    EXPECT_EQ(frame->InformationBar()->Field(ids::InfoVideoDevice), QStringLiteral("None"));
    EXPECT_EQ(frame->InformationBar()->Field(ids::InfoAudioDevice), QStringLiteral("None"));
}

TEST_F(MainFrameTest, DeviceFieldsNameTheChosenDevices) {
    auto frame = StartFrame();
    ASSERT_TRUE(frame->Engine().Session().VideoCaptureMoniker);
    const QString video = frame->InformationBar()->Field(ids::InfoVideoDevice);
    EXPECT_FALSE(video.isEmpty());
    EXPECT_NE(video, QStringLiteral("None"));
}

}  // namespace

namespace {

TEST_F(MainFrameTest, TheChannelCommandOpensTheChannelDialogOnTheSessionsTuner) {
    auto frame = StartFrame();
    QAction* command = nullptr;
    for (QAction* action : frame->findChildren<QAction*>())
        if (action->data().toInt() == ids::ChannelSettings) command = action;
    ASSERT_NE(nullptr, command);
    EXPECT_EQ(QString::fromUtf8("チャンネルの設定"), command->text());
    QString title;
    bool frequencyEnabled = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CChannelDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        title = dialog->windowTitle();
        frequencyEnabled = dialog->findChild<QWidget*>(QStringLiteral("FrequencyGroup"))->isEnabled();
        dialog->reject();
    });
    command->trigger();
    EXPECT_EQ(QString::fromUtf8("チャンネルの設定"), title);
    ASSERT_TRUE(frame->Engine().Session().TvTuner) << "start-up made a session on the virtual TV card";
    EXPECT_TRUE(frequencyEnabled);
    frame->RunLeavingSequence();
}

}  // namespace

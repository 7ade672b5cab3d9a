// The recording controller on the virtual TV card: the record and stop commands, the end time
// and its menu items, the external input signal, graph events while recording, reservations,
// the recording log, and the status display while recording. Wall-clock time is a fake clock.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/information_bar.h"
#include "app/main_frame.h"
#include "app/message_bar.h"
#include "app/resource_ids.h"
#include "app/splash_window.h"
#include "platform/com/com_object.h"
#include "platform/com/com_runtime.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/system/local_time.h"
#include "platform/system/profile_directory.h"
#include "profiles/record_profile.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

std::string Narrow(const char16_t* name) {
    const std::u16string wide = name;
    return std::string(wide.begin(), wide.end());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The video frames of a recorded file as a player counts them (ffprobe reads every packet).
long FileVideoFrames(const std::string& file) {
    const std::string command = "ffprobe -v error -count_packets -select_streams v:0 -show_entries "
                                "stream=nb_read_packets -of csv=p=0 '" + file + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    return read ? std::strtol(line, nullptr, 10) : -1;
}

// The number after `label` in the log ("Captured : 56" gives 56), or -1.
long LoggedCount(const std::string& log, const std::string& label) {
    const std::size_t at = log.find(label + " : ");
    return at == std::string::npos ? -1 : std::strtol(log.c_str() + at + label.size() + 3, nullptr, 10);
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::unique_ptr<CDeviceProfile> CardProfile(const char* name) {
    auto device = std::make_unique<CDeviceProfile>();
    device->Name = name;
    device->VideoDeviceMoniker = Narrow(media::kVirtualTvCardName);
    device->AudioDeviceMoniker = Narrow(media::kVirtualTvCardAudioName);
    device->PreviewVideoMode = 1;
    device->CaptureVideoMode = 4;  // recorded and previewed
    device->CaptureAudioMode = 2;  // recorded, not heard
    device->ApplyPriority = kDefaultApplyPriority;
    device->TunerChannel = 7;
    for (DWORD& excluded : device->ExcludeItem) excluded = 1;  // leave the card at its defaults
    return device;
}

// The multiplexer's time-shift control as far as the status display reads it.
class TimeShiftStandIn final : public ComObject<ITalvinTimeShift> {
public:
    LONG position = 0;
    LONG length = 0;
    HRESULT SetSpeed(LONG) override { return S_OK; }
    HRESULT Live() override { return S_OK; }
    HRESULT PausePlayback() override { return S_OK; }
    HRESULT Seek(LONG) override { return S_OK; }
    HRESULT GetPosition(LONG* p, LONG* l) override {
        *p = position;
        *l = length;
        return S_OK;
    }
};

class RecordingControllerTest : public testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        CSplashWindow::EnableSplash(false);
        directory_ = ResolveProfileDirectory();
        movies_ = environment_.Root() / "movies";
        fs::create_directories(movies_);
        CProfileStore store(directory_);
        store.LoadProfiles();
        store.DeviceProfiles.push_back(CardProfile("card"));
        store.CurrentDevice = store.DeviceProfiles.back().get();
        auto mux = std::make_unique<CMuxProfile>();
        mux->Name = "plain";
        mux->InterleavePeriod = 10'000'000;
        store.MuxProfiles.push_back(std::move(mux));
        store.CurrentMux = store.MuxProfiles.back().get();
        store.Options.MovieDir = movies_.string();
        store.Options.MovieFile = "movie";
        store.Options.WriteLog = 1;
        store.Options.LogFile = LogPath().string();
        ConfigureOptions(store.Options);
        ASSERT_TRUE(store.SaveProfileFiles());

        frame_ = std::make_unique<CMainFrame>(directory_, QString::fromStdString(directory_ + "Talvin.dat"));
        frame_->SetMessageBoxHandler([](const QString&) {});
        frame_->SetClock([this] { return now_; });
        ASSERT_TRUE(frame_->Create());
        frame_->RunStartupSequence();
    }

    void TearDown() override {
        if (frame_) frame_->RunLeavingSequence();
        frame_.reset();
    }

    virtual void ConfigureOptions(COptionProfile&) {}

    fs::path LogPath() const { return environment_.Root() / "reclog.txt"; }
    std::string Log() const { return ReadFile(LogPath()); }
    GraphSession& Session() { return frame_->Engine().Session(); }
    COptionProfile& Options() { return frame_->Engine().Store().Options; }
    QString Field(int id) { return frame_->InformationBar()->Field(id); }
    void Command(int id) {
        QAction* action = frame_->CommandAction(id);
        ASSERT_TRUE(action) << id;
        action->trigger();
    }
    // Lets the recording run for a while on the real pipeline (the fake clock stands still).
    void Record(int ms) { QTest::qWait(ms); }
    void Tick() { frame_->OnStatusTimer(); }
    void Notify(LONG code, LONG_PTR first, LONG_PTR second) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(S_OK, Session().Graph.As(&sink));
        ASSERT_EQ(S_OK, sink->Notify(code, first, second));
    }
    QStringList Reports() {
        QStringList lines;
        for (int i = 0; i < frame_->MessageBar()->Reports()->count(); ++i)
            lines << frame_->MessageBar()->Reports()->itemText(i);
        return lines;
    }
    int ReportsMatching(const QString& pattern) {
        const QRegularExpression expression(pattern);
        int matches = 0;
        for (const QString& line : Reports())
            if (expression.match(line).hasMatch()) ++matches;
        return matches;
    }

    TempEnvironment environment_;
    std::string directory_;
    fs::path movies_;
    std::time_t now_ = 1'800'000'000;
    // Outlives the frame, which may still point at it when a test ends while recording.
    CRecordProfile reservation_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(RecordingControllerTest, RecordAndEscapeWriteBothBlocksAndThePreviewComesBack) {
    ASSERT_EQ(Session().Previewing, 1u);
    Record(1500);  // the preview runs for a while, its frames counted by the capture pin
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u) << Reports().join(QStringLiteral("\n")).toStdString();
    const std::string file = frame_->Engine().SinkFileName();
    Record(1500);
    Tick();
    EXPECT_NE(Field(ids::InfoNotDropped).toLong(), 0);
    Command(ids::StopKey);
    EXPECT_EQ(Session().Capturing, 0u) << Reports().join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(Session().Previewing, 1u);
    const std::string log = Log();
    const std::string started = FormatLocalTime("%c", now_);
    EXPECT_EQ(log.rfind(started + " - StartCapture\r\nDeviceProfile - card  CompressorProfile -   MuxProfile - plain\r\n"
                        "Channel - 7  TVAudio - ",
                        0),
              0u)
        << log;
    EXPECT_NE(log.find("CaptureFile - " + file + "\r\n\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(started + " - StopCapture\r\nCaptured : "), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("\r\n\r\n\r\n"));
    // The frames the log counts are the frames the file holds, none of the preview's.
    const long frames = FileVideoFrames(file);
    EXPECT_GT(frames, 10);
    EXPECT_EQ(LoggedCount(log, "Captured"), frames) << log;
    EXPECT_EQ(LoggedCount(log, "Dropped"), 0) << log;
    // The status bar shows the counts of the stopped recording.
    auto* pane = frame_->statusBar()->findChild<QLabel*>();
    ASSERT_TRUE(pane);
    EXPECT_TRUE(pane->text().startsWith(QStringLiteral("Captured : ")));
}

TEST_F(RecordingControllerTest, RecordCommandWhileTheGraphIsReleasedDoesNothing) {
    Command(ids::BuildReleaseGraph);
    ASSERT_EQ(Options().GraphRunning, 0u);
    frame_->StartRecording(1800);
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_FALSE(frame_->EndTimeActive());
    EXPECT_TRUE(Field(ids::InfoEndTime).isEmpty());
    EXPECT_FALSE(fs::exists(LogPath()) && Log().find("StartCapture") != std::string::npos);
}

TEST_F(RecordingControllerTest, SecondStartKeepsTheRunningRecordingAndOnlySetsTheEndTime) {
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u);
    const std::string file = frame_->Engine().SinkFileName();
    const DWORD started = Session().RunStartTime;
    now_ += 60;
    Command(ids::Record30Minutes);
    EXPECT_EQ(Session().Capturing, 1u);
    EXPECT_EQ(Session().RunStartTime, started);
    EXPECT_EQ(frame_->Engine().SinkFileName(), file);
    EXPECT_TRUE(frame_->EndTimeActive());
    EXPECT_EQ(frame_->EndTime(), now_ + 1800);
    EXPECT_EQ(Field(ids::InfoEndTime), QString::fromLocal8Bit(FormatLocalTime("%c", now_ + 1800)));
    Command(ids::Record);
    EXPECT_EQ(Count(Log(), "StartCapture"), 1);
    Command(ids::RecordNoLimit);
    EXPECT_FALSE(frame_->EndTimeActive());
    EXPECT_TRUE(Field(ids::InfoEndTime).isEmpty());
    EXPECT_EQ(Session().Capturing, 1u);
}

TEST_F(RecordingControllerTest, LengthItemStartsARecordingWhenNoneRuns) {
    Command(ids::Record15Minutes);
    EXPECT_EQ(Session().Capturing, 1u);
    EXPECT_EQ(frame_->EndTime(), now_ + 900);
}

TEST_F(RecordingControllerTest, ExtendingWithoutAnEndTimeDoesNothing) {
    Command(ids::Record);
    Command(ids::Extend10Minutes);
    EXPECT_FALSE(frame_->EndTimeActive());
    EXPECT_TRUE(Field(ids::InfoEndTime).isEmpty());
}

TEST_F(RecordingControllerTest, MinusTenMinutesWithFiveLeftStopsAtTheNextTick) {
    Command(ids::Record15Minutes);
    now_ += 600;  // five minutes left
    Command(ids::Shorten10Minutes);
    EXPECT_EQ(frame_->EndTime(), now_ - 300);
    EXPECT_EQ(Session().Capturing, 1u);
    Tick();
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_EQ(Session().Previewing, 1u);
}

TEST_F(RecordingControllerTest, PlusItemsMoveTheEndTime) {
    Command(ids::Record1Hour);
    Command(ids::Extend1Minute);
    Command(ids::Extend5Minutes);
    Command(ids::Shorten1Minute);
    EXPECT_EQ(frame_->EndTime(), now_ + 3600 + 5 * 60);
}

// A stop with the log switched off creates no file and records as usual.
class RecordingWithoutLogTest : public RecordingControllerTest {
    void ConfigureOptions(COptionProfile& options) override { options.WriteLog = 0; }
};

TEST_F(RecordingWithoutLogTest, NoLogFileIsCreated) {
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u);
    const std::string file = frame_->Engine().SinkFileName();
    Record(500);
    Command(ids::Stop);
    EXPECT_FALSE(fs::exists(LogPath()));
    EXPECT_GT(fs::file_size(file), 0u);
}

// The options' time limit: a recording that would run two hours stops itself at one hour.
class RecordingTimeLimitTest : public RecordingControllerTest {
    void ConfigureOptions(COptionProfile& options) override {
        options.CaptureTimeLimitEnable = 1;
        options.CaptureTimeLimit = 3600;
    }
};

TEST_F(RecordingTimeLimitTest, TwoHourRecordingStopsAtOneHour) {
    const std::time_t start = now_;
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u);
    std::time_t stoppedAt = 0;
    // Every tick half a second apart for two hours of fake time, the pipeline running alongside.
    for (int tick = 1; tick <= 2 * 3600 * 2 && !stoppedAt; ++tick) {
        now_ = start + tick / 2;
        Tick();
        if (!Session().Capturing) stoppedAt = now_;
    }
    EXPECT_EQ(stoppedAt, start + 3600);
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_NE(Log().find(FormatLocalTime("%c", start + 3600) + " - StopCapture"), std::string::npos);
    EXPECT_EQ(Session().Previewing, 1u);
}

TEST_F(RecordingControllerTest, ExternalSyncStartsOnLockAndStopsOnLoss) {
    ASSERT_TRUE(Session().AnalogVideoDecoder);
    auto card = media::VirtualCard::Current();
    ASSERT_TRUE(card);
    card->SetHorizontalLock(false);
    Command(ids::ExternalSync);
    EXPECT_TRUE(frame_->ExternalSync());
    EXPECT_TRUE(frame_->CommandAction(ids::ExternalSync)->isChecked());
    Tick();  // no edge: the state was taken when switching on
    EXPECT_EQ(Session().Capturing, 0u);
    card->SetHorizontalLock(true);
    Tick();
    ASSERT_EQ(Session().Capturing, 1u);
    EXPECT_FALSE(frame_->EndTimeActive());
    Tick();
    EXPECT_EQ(Session().Capturing, 1u);
    media::VirtualCard::Current()->SetHorizontalLock(false);
    Tick();
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_EQ(Count(Log(), "StartCapture"), 1);
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
}

TEST_F(RecordingControllerTest, StopWithoutARecordingWritesNothingButShowsThePreviewAgain) {
    frame_->StopRecording(TRUE, TRUE, TRUE);
    EXPECT_FALSE(fs::exists(LogPath()) && !Log().empty());
    EXPECT_EQ(Session().Previewing, 1u);
}

TEST_F(RecordingControllerTest, RecordingThatWritesNoStreamStopsAndShowsTheStoppedState) {
    CDeviceProfile* device = frame_->Engine().Store().CurrentDevice;
    device->CaptureVideoMode = 1;  // previewed, not recorded
    device->CaptureAudioMode = 1;  // heard, not recorded
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u) << Reports().join(QStringLiteral("\n")).toStdString();
    QAction* graph = frame_->CommandAction(ids::BuildReleaseGraph);
    EXPECT_FALSE(graph->isEnabled());
    Record(500);
    Command(ids::StopKey);
    QApplication::processEvents();  // any event the stop posted reaches the window
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_EQ(Session().Previewing, 1u);
    EXPECT_TRUE(graph->isEnabled());
    EXPECT_EQ(ReportsMatching(QStringLiteral("IMediaControl Stop|EC_ERRORABORT")), 0)
        << Reports().join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
}

TEST_F(RecordingControllerTest, ClosingStopsTheRecordingWithItsStopBlock) {
    Command(ids::Record);
    const std::string file = frame_->Engine().SinkFileName();
    Record(500);
    frame_->RunLeavingSequence();
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_GT(fs::file_size(file), 0u);
}

// ---- Graph events while recording: the caller table and the one-stop rule ----

TEST_F(RecordingControllerTest, AbortAndLostDeviceInOneBatchStopOnceWithoutPreview) {
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u);
    ComPtr<IUnknown> video;
    ASSERT_EQ(S_OK, Session().VideoCaptureFilter->QueryInterface(IID_IUnknown, video.ReleaseAndGetVoidAddress()));
    Notify(EC_ERRORABORT, static_cast<LONG_PTR>(E_FAIL), 0);
    Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(video.Get()), 0);
    Notify(EC_TALVINMUX_FINISHED, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Session().Capturing == 0; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_EQ(Session().Previewing, 0u);
    EXPECT_EQ(ReportsMatching(QStringLiteral("IMediaEventEx EC_ERRORABORT$")), 1);
    EXPECT_EQ(ReportsMatching(QStringLiteral("IMediaEventEx EC_DEVICE_LOST [0-9a-f]{8}$")), 1);
    EXPECT_EQ(ReportsMatching(QStringLiteral(" - 0 - .*IMediaEventEx EC_FINISH$")), 1);
}

TEST_F(RecordingControllerTest, MultiplexerFinishStopsAndShowsThePreview) {
    Command(ids::Record);
    const std::string file = frame_->Engine().SinkFileName();
    Record(500);
    Notify(EC_TALVINMUX_FINISHED, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Session().Capturing == 0; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return Session().Previewing == 1; }, 2000));
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_GT(fs::file_size(file), 0u);
}

TEST_F(RecordingControllerTest, LostDeviceOfAnotherFilterOnlyFreesTheEvent) {
    Command(ids::Record);
    ComPtr<IBaseFilter> other;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     other.ReleaseAndGetVoidAddress()));
    Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(other.Get())), 0);
    QTest::qWait(300);
    EXPECT_EQ(Session().Capturing, 1u);
}

TEST_F(RecordingControllerTest, LostCardEndsTheRecordingAndTheFileSoFarStays) {
    Command(ids::Record);
    const std::string file = frame_->Engine().SinkFileName();
    Record(800);
    media::VirtualCard::Current()->Disappear();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Session().Capturing == 0; }, 10000));
    EXPECT_EQ(Session().Previewing, 0u);
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_GT(fs::file_size(file), 0u);
}

// A busy window (a dialog open) leaves the events queued for the next notification.
TEST_F(RecordingControllerTest, EventsWaitWhileTheWindowIsBusy) {
    Command(ids::Record);
    ASSERT_TRUE(frame_->TakeBusy());
    Notify(EC_TALVINMUX_FINISHED, 0, 0);
    QTest::qWait(300);
    EXPECT_EQ(Session().Capturing, 1u);
    frame_->ReleaseBusy();
    frame_->OnGraphNotify();
    EXPECT_EQ(Session().Capturing, 0u);
}

// Who stops decides whether the preview comes back and whether an automatic release may follow
// (the options let an automatic stop release the graph; a user's stop never does).
struct StopCause {
    const char* name;
    int expectedPreviewing;
    int expectedGraphRunning;
};

class StopCallerTest : public RecordingControllerTest, public testing::WithParamInterface<StopCause> {
    void ConfigureOptions(COptionProfile& options) override { options.AutoRestoreMinimizeCopy = 1; }

protected:
    void Stop(const std::string& cause) {
        if (cause == "escape") Command(ids::StopKey);
        if (cause == "stop") Command(ids::Stop);
        if (cause == "end time") {
            Command(ids::Record15Minutes);
            now_ += 900;
            Tick();
        }
        if (cause == "finish" || cause == "abort") {
            Notify(cause == "finish" ? EC_TALVINMUX_FINISHED : EC_ERRORABORT, 0, 0);
            EXPECT_TRUE(QTest::qWaitFor([this] { return Session().Capturing == 0; }, 5000));
        }
        if (cause == "closing") frame_->RunLeavingSequence();
    }
};

TEST_P(StopCallerTest, StopsWithTheCallersFlags) {
    Command(ids::Record);
    ASSERT_EQ(Session().Capturing, 1u);
    Stop(GetParam().name);
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_EQ(Count(Log(), "StopCapture"), 1);
    EXPECT_EQ(static_cast<int>(Session().Previewing), GetParam().expectedPreviewing);
    EXPECT_EQ(static_cast<int>(Options().GraphRunning), GetParam().expectedGraphRunning);
}

INSTANTIATE_TEST_SUITE_P(Causes, StopCallerTest,
                         testing::Values(StopCause{"escape", 1, 1}, StopCause{"stop", 1, 1},
                                         StopCause{"end time", 0, 0}, StopCause{"finish", 0, 0},
                                         StopCause{"abort", 0, 0}, StopCause{"closing", 0, 1}),
                         [](const testing::TestParamInfo<StopCause>& cause) {
                             std::string name = cause.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

// ---- Faults ----

TEST_F(RecordingControllerTest, UnwritableOutputDirectoryRecordsNothingAndKeepsThePreview) {
    Options().MovieDir = (environment_.Root() / "missing" / "deeper").string();
    Command(ids::Record);
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_GE(ReportsMatching(QStringLiteral("SetOutputFileName")), 1) << Reports().join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(Session().Previewing, 1u);
    // The log names the file that could not be made, and no stop follows a start that failed.
    EXPECT_NE(Log().find("CaptureFile - " + Options().MovieDir + "/movie.avi\r\n\r\n"), std::string::npos) << Log();
    EXPECT_EQ(Count(Log(), "StopCapture"), 0);
}

// A build that fails before it names a file leaves "CaptureFile - " empty, not the name of the
// recording before it.
TEST_F(RecordingControllerTest, AStartThatFailsBeforeNamingLogsNoEarlierFile) {
    Command(ids::Record);
    Command(ids::Stop);
    const std::string earlier = frame_->Engine().SinkFileName();
    ASSERT_FALSE(earlier.empty());
    Session().AudioCaptureFilter = nullptr;  // the profile's sound device is gone
    Command(ids::Record);
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_EQ(Count(Log(), "CaptureFile - " + earlier), 1) << Log();
    EXPECT_TRUE(Log().ends_with("CaptureFile - \r\n\r\n")) << Log();
}

TEST_F(RecordingControllerTest, ALogThatCannotBeOpenedLeavesRecordingAlone) {
    frame_->CloseRecordingLog();
    Options().LogFile = (environment_.Root() / "no-such-dir" / "reclog.txt").string();
    frame_->OpenRecordingLog(false);
    EXPECT_FALSE(frame_->RecordingLog().IsOpen());
    Command(ids::Record);
    EXPECT_EQ(Session().Capturing, 1u);
    Command(ids::Stop);
    EXPECT_EQ(Reports().size(), 0) << Reports().join(QStringLiteral("\n")).toStdString();
}

TEST_F(RecordingControllerTest, ReopeningAfterTheOptionsAppendsEvenWhenOverwriteIsSet) {
    Command(ids::Record);
    Command(ids::Stop);
    const std::string first = Log();
    Options().OverwriteLog = 1;
    frame_->OpenRecordingLog(false);
    Command(ids::Record);
    Command(ids::Stop);
    EXPECT_TRUE(Log().starts_with(first));
    EXPECT_EQ(Count(Log(), "StopCapture"), 2);
}

// ---- Reservations ----

TEST_F(RecordingControllerTest, ReservationNamingAMissingDeviceRecordsWithTheCurrentOne) {
    CRecordProfile& reservation = reservation_;
    reservation.Device = "gone";
    reservation.Comment = "news %s";
    reservation.Dir = movies_.string();
    reservation.File = "news";
    reservation.StopTime = static_cast<CTimeValue>(now_ + 1800);
    reservation.Channel = 9;
    frame_->StartReservation(reservation);
    EXPECT_EQ(Session().Capturing, 1u);
    EXPECT_EQ(ReportsMatching(QStringLiteral("NotFound DeviceProfile$")), 1);
    EXPECT_EQ(frame_->Engine().Store().CurrentDevice->Name, "card");
    EXPECT_EQ(frame_->Engine().Store().CurrentDevice->TunerChannel, 9u);
    EXPECT_TRUE(reservation.Active);
    EXPECT_EQ(frame_->ActiveReservation(), &reservation);
    EXPECT_EQ(frame_->EndTime(), now_ + 1800);
    EXPECT_EQ(Field(ids::InfoFile), QString::fromStdString(movies_.string() + "/news"));
    EXPECT_NE(Log().find("CaptureFile - " + frame_->Engine().SinkFileName() + "\r\nComment - news %s\r\n\r\n"),
              std::string::npos)
        << Log();
    now_ += 1800;
    Tick();
    EXPECT_EQ(Session().Capturing, 0u);
    EXPECT_FALSE(reservation.Active);
    EXPECT_EQ(frame_->ActiveReservation(), nullptr);
}

TEST_F(RecordingControllerTest, ReservationWhileTheGraphIsReleasedBuildsItAgain) {
    Command(ids::BuildReleaseGraph);
    ASSERT_EQ(Options().GraphRunning, 0u);
    CRecordProfile& reservation = reservation_;
    reservation.Device = "card";
    reservation.Dir = movies_.string();
    reservation.File = "late";
    reservation.StopTime = static_cast<CTimeValue>(now_ + 60);
    frame_->StartReservation(reservation);
    EXPECT_EQ(Session().Capturing, 1u);
    EXPECT_EQ(Options().GraphRunning, 1u);
    EXPECT_EQ(Reports().size(), 0) << Reports().join(QStringLiteral("\n")).toStdString();
}

TEST_F(RecordingControllerTest, ReservationNamingMissingCompressorAndMuxReportsBoth) {
    CRecordProfile& reservation = reservation_;
    reservation.Compressor = "none such";
    reservation.Mux = "none such";
    reservation.Dir = movies_.string();
    reservation.File = "x";
    reservation.StopTime = static_cast<CTimeValue>(now_ + 60);
    frame_->StartReservation(reservation);
    EXPECT_EQ(ReportsMatching(QStringLiteral("NotFound CompressorProfile$")), 1);
    EXPECT_EQ(ReportsMatching(QStringLiteral("NotFound MuxProfile$")), 1);
    EXPECT_EQ(frame_->Engine().Store().CurrentMux->Name, "plain");
}

// ---- Status display and graph commands ----

TEST_F(RecordingControllerTest, NamesShowNoneWithoutCompressorsAndTheWindowsMediaNames) {
    EXPECT_EQ(Field(ids::InfoVideoCompressor), QStringLiteral("None"));
    EXPECT_EQ(Field(ids::InfoAudioCompressor), QStringLiteral("None"));
    EXPECT_EQ(Field(ids::InfoMux), QStringLiteral("plain"));
    EXPECT_EQ(Field(ids::InfoFile), QString::fromStdString(movies_.string() + "/movie"));
    CCompressorProfile windowsMedia;
    windowsMedia.Kind = CCompressorProfile::KindWindowsMedia;
    frame_->Engine().Store().CurrentCompressor = &windowsMedia;
    frame_->RefreshNames();
    EXPECT_EQ(Field(ids::InfoVideoCompressor), QStringLiteral("Windows Media Video"));
    EXPECT_EQ(Field(ids::InfoAudioCompressor), QStringLiteral("Windows Media Audio"));
    frame_->Engine().Store().CurrentCompressor = nullptr;
    Options().MovieNaming = 1;
    frame_->RefreshNames();
    EXPECT_EQ(Field(ids::InfoFile), QString::fromStdString(movies_.string() + "/movie-") + QString::fromUtf8("日時"));
}

TEST_F(RecordingControllerTest, TimeShiftPositionIsClampedAndTheSliderMovesEveryFourthRefresh) {
    QSlider slider;
    frame_->SetTimeShiftSlider(&slider);
    auto timeShift = MakeComObject<TimeShiftStandIn>();
    timeShift->position = 4000;
    timeShift->length = 3725;
    Session().TimeShiftControl = ComPtr<ITalvinTimeShift>(timeShift.Get());
    int moved = 0;
    for (int refresh = 0; refresh < 8; ++refresh) {
        slider.setMaximum(0);
        frame_->RefreshRecordingStats();
        if (slider.maximum() == 3725) {
            ++moved;
            EXPECT_EQ(slider.value(), 3725);
        }
    }
    EXPECT_EQ(Field(ids::InfoTimeShift), QStringLiteral("1:02:05"));
    EXPECT_EQ(moved, 2);
    Session().TimeShiftControl = nullptr;
    frame_->RefreshRecordingStats();
    EXPECT_TRUE(Field(ids::InfoTimeShift).isEmpty());
}

TEST_F(RecordingControllerTest, GraphCommandsAreEnabledAsTheStateAllows) {
    QAction* graph = frame_->CommandAction(ids::BuildReleaseGraph);
    QAction* minimise = frame_->CommandAction(ids::ReleaseAndMinimize);
    QAction* rebuild = frame_->CommandAction(ids::Redraw);
    EXPECT_TRUE(graph->isChecked());
    EXPECT_TRUE(graph->isEnabled() && minimise->isEnabled() && rebuild->isEnabled());
    Command(ids::Record);
    EXPECT_FALSE(graph->isEnabled() || minimise->isEnabled() || rebuild->isEnabled());
    Command(ids::Stop);
    Command(ids::BuildReleaseGraph);
    EXPECT_FALSE(graph->isChecked());
    EXPECT_FALSE(rebuild->isEnabled());
    EXPECT_FALSE(Session().Graph);
    EXPECT_EQ(Field(ids::InfoVideoDevice), QStringLiteral("None"));
    Command(ids::BuildReleaseGraph);
    EXPECT_TRUE(graph->isChecked());
    EXPECT_EQ(Session().Previewing, 1u);
    Command(ids::Redraw);
    EXPECT_EQ(Session().Previewing, 1u);
}

TEST_F(RecordingControllerTest, DeviceArrivalChangesNothing) {
    const DWORD previewing = Session().Previewing;
    EXPECT_FALSE(frame_->OnDeviceChange(true));
    EXPECT_FALSE(frame_->OnDeviceChange(false));
    EXPECT_EQ(Session().Previewing, previewing);
}

TEST_F(RecordingControllerTest, ProcessorUsageIsSampledEveryTickAndResetAtTheStart) {
    Tick();
    Tick();
    EXPECT_EQ(Session().CpuSamples, 2u);
    Command(ids::Record);
    EXPECT_EQ(Session().CpuSamples, 0u);
    Tick();
    EXPECT_EQ(Session().CpuSamples, 1u);
}

}  // namespace

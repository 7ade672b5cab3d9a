#include "app/main_frame.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSettings>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/message_bar.h"
#include "app/splash_window.h"
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

TEST_F(MainFrameTest, UnreadableWindowStateShowsTheOpenMessage) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
    const auto bytes = StoreWindowState(WindowState{});
    std::ofstream(directory_ + "window.dat", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 196);
    fs::permissions(directory_ + "window.dat", fs::perms::none);
    auto frame = StartFrame(false);
    EXPECT_EQ(messageBoxes_, QStringList{QStringLiteral("CFile Open window.dat")});
}

TEST_F(MainFrameTest, FirstStartHasNoWindowStateAndNoMessage) {
    auto frame = StartFrame(false);
    EXPECT_FALSE(frame->State().HasPlacement);
    EXPECT_TRUE(messageBoxes_.isEmpty());
    EXPECT_TRUE(Reports(*frame).isEmpty());
}

}  // namespace

// The recording log's blocks byte for byte, its opening modes, and the statistics texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/graph_session.h"
#include "engine/recording_log.h"
#include "engine/recording_statistics.h"
#include "profiles/compressor_profile.h"
#include "profiles/device_profile.h"
#include "profiles/mux_profile.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class RecordingLogTest : public testing::Test {
protected:
    fs::path LogPath() const { return environment_.Root() / "reclog.txt"; }
    TempEnvironment environment_;
    CRecordingLog log_;
};

TEST_F(RecordingLogTest, StartBlockNamesTheProfilesChannelAndAudioWithCrLf) {
    ASSERT_TRUE(log_.Open(LogPath().string(), false));
    CDeviceProfile device;
    device.Name = "TV card";
    device.TunerChannel = 12;
    device.TVAudioMode = 2;
    CCompressorProfile compressor;
    compressor.Name = "MJPEG";
    CMuxProfile mux;
    mux.Name = "split";
    WriteStartBlock(log_, "Tue Dec  8 04:00:00 2026", &device, &compressor, &mux);
    log_.Append("CaptureFile - %s\n\n", "/movies/a.avi");
    EXPECT_EQ(ReadFile(LogPath()),
              "Tue Dec  8 04:00:00 2026 - StartCapture\r\n"
              "DeviceProfile - TV card  CompressorProfile - MJPEG  MuxProfile - split\r\n"
              "Channel - 12  TVAudio - 2\r\n"
              "CaptureFile - /movies/a.avi\r\n\r\n");
}

TEST_F(RecordingLogTest, StartBlockWithoutProfilesLeavesTheNamesAndNumbersOut) {
    ASSERT_TRUE(log_.Open(LogPath().string(), false));
    WriteStartBlock(log_, "now", nullptr, nullptr, nullptr);
    EXPECT_EQ(ReadFile(LogPath()), "now - StartCapture\r\nDeviceProfile -   CompressorProfile -   MuxProfile - \r\n"
                                   "Channel -   TVAudio - \r\n");
}

// A profile name is text, never a format: "%s%n" would read and write through stray arguments.
TEST_F(RecordingLogTest, NamesAreWrittenVerbatim) {
    ASSERT_TRUE(log_.Open(LogPath().string(), false));
    CDeviceProfile device;
    device.Name = "%s%n%x 100%";
    WriteStartBlock(log_, "t", &device, nullptr, nullptr);
    EXPECT_NE(ReadFile(LogPath()).find("DeviceProfile - %s%n%x 100%  CompressorProfile"), std::string::npos);
}

TEST_F(RecordingLogTest, StopBlockHasTheCountsInItsOrder) {
    ASSERT_TRUE(log_.Open(LogPath().string(), false));
    RecordingStatistics s;
    s.Captured = 300;
    s.Dropped = 2;
    s.AverageSize = 4096;
    s.VideoFrames = 299;
    s.AudioFrames = 150;
    s.DropFrames = 1;
    s.AudioSamples = 480000;
    s.Inserted = 3;
    s.Deleted = 4;
    s.VideoFps = 29.97;
    s.AudioFrequency = 48000.0;
    WriteStopBlock(log_, "later", s, 12.5, 2048);
    EXPECT_EQ(ReadFile(LogPath()),
              "later - StopCapture\r\n"
              "Captured : 300  Dropped : 2  AverageSize : 4096\r\n"
              "VideoFrames : 299  AudioFrames : 150  DropFrames : 1  AudioSamples : 480000\r\n"
              "Insert : 3  Delete : 4  Video fps : 29.970000  AudioFrequency : 48000.000000\r\n"
              "CPUUsage : 12.500000  DiskFreeSpace : 2048\r\n\r\n\r\n");
}

TEST_F(RecordingLogTest, EveryAppendIsOnDiskAtOnce) {
    ASSERT_TRUE(log_.Open(LogPath().string(), false));
    log_.Append("one\n");
    EXPECT_EQ(ReadFile(LogPath()), "one\r\n");
    log_.Append("two");
    EXPECT_EQ(ReadFile(LogPath()), "one\r\ntwo");
}

TEST_F(RecordingLogTest, OpeningKeepsOrEmptiesTheOldContents) {
    std::ofstream(LogPath(), std::ios::binary) << "old\r\n";
    ASSERT_TRUE(log_.Open(LogPath().string(), false));
    log_.Append("new\n");
    EXPECT_EQ(ReadFile(LogPath()), "old\r\nnew\r\n");
    ASSERT_TRUE(log_.Open(LogPath().string(), true));
    log_.Append("only\n");
    EXPECT_EQ(ReadFile(LogPath()), "only\r\n");
}

TEST_F(RecordingLogTest, ALogThatCannotBeOpenedStaysClosedAndSwallowsAppends) {
    fs::create_directories(LogPath());  // a directory cannot be opened as the log
    EXPECT_FALSE(log_.Open(LogPath().string(), false));
    EXPECT_FALSE(log_.IsOpen());
    log_.Append("nothing %d\n", 1);
    EXPECT_TRUE(fs::is_directory(LogPath()));
}

TEST(RecordingStatisticsText, ElapsedTimeIsHoursMinutesSeconds) {
    EXPECT_EQ(FormatElapsed(3725000), "1:02:05");
    EXPECT_EQ(FormatElapsed(0), "0:00:00");
    EXPECT_EQ(FormatElapsed(59999), "0:00:59");
    EXPECT_EQ(FormatElapsed(36000000 + 61000), "10:01:01");
}

TEST(RecordingStatisticsText, TimeShiftPositionNeverPassesTheLength) {
    EXPECT_EQ(ClampTimeShiftPosition(100, 60), 60);
    EXPECT_EQ(ClampTimeShiftPosition(30, 60), 30);
    EXPECT_EQ(FormatTimeShiftPosition(3725), "1:02:05");
}

TEST(RecordingStatisticsRead, MissingSourcesCountAsZero) {
    GraphSession session;
    session.BaselineDropped = 5;
    const RecordingStatistics s = ReadRecordingStatistics(session);
    EXPECT_EQ(s.Captured, 0);
    EXPECT_EQ(s.Dropped, 0);
    EXPECT_EQ(s.VideoFrames, 0u);
    EXPECT_EQ(s.VideoFps, 0.0);
}

}  // namespace

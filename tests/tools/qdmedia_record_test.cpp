// Runs `qdmedia record` on the virtual TV card and reads the file it writes the way a player
// does (GstDiscoverer).
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/com/wide_text.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/stream_config.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/platform/media/devices/recording_fixture.h"
#include "tests/tools/qdmedia_fixture.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;

using QdmediaRecord = QdmediaTool;

TEST_F(QdmediaRecord, AnH264RecordingOfTheCardPlaysWithVideoAndAudioForItsLength) {
    const std::string card = CardName();
    ASSERT_FALSE(card.empty());
    int width = 0, height = 0;
    CardFrameSize(&width, &height);
    const ToolRun run = Run("record --device '" + card + "' --video-compressor 'H.264 (x264)' --seconds 5 out.avi");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NEAR(150, CountAfter(run.output, "frames written"), 10) << run.output;
    EXPECT_EQ(0, CountAfter(run.output, "frames dropped")) << run.output;

    const Discovered found = Discover(dir_ / "out.avi");
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_EQ(1, found.audioStreams);
    EXPECT_TRUE(CapsAgree(found.videoCaps, "video/x-h264")) << found.videoCaps;
    EXPECT_EQ(width, found.width);
    EXPECT_EQ(height, found.height);
    EXPECT_NEAR(5.0, found.seconds, 0.2);
}

TEST_F(QdmediaRecord, DisplayNamesChooseTheDevicesAndTheAudioCompressor) {
    const auto compressors = Monikers(CLSID_AudioCompressorCategory);
    ASSERT_FALSE(compressors.empty());
    const std::string compressor = WideToUtf8(DisplayName(compressors[0].Get()));
    const ToolRun run = Run("record --device @device:virtual:tv-card --audio-device @device:virtual:tv-card-audio"
                            " --audio-compressor '" + compressor + "' --seconds 2 'with audio.avi'");
    ASSERT_EQ(0, run.status) << run.output;
    const Discovered found = Discover(dir_ / "with audio.avi");
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    ASSERT_EQ(1, found.audioStreams);
    EXPECT_FALSE(CapsAgree(found.audioCaps, "audio/x-raw")) << compressor << ": " << found.audioCaps;
    EXPECT_NEAR(2.0, found.seconds, 0.2);
}

TEST_F(QdmediaRecord, AFileThatCannotBeCreatedFailsNamingTheStep) {
    std::FILE* plain = std::fopen((dir_ / "plain file").c_str(), "w");
    ASSERT_TRUE(plain);
    std::fclose(plain);
    const ToolRun run = Run("record --device @device:virtual:tv-card --seconds 1 'plain file/out.avi'");
    EXPECT_NE(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("IMediaControl Run failed")) << run.output;
}

TEST_F(QdmediaRecord, TheSplittingMultiplexerWritesNumberedPiecesUpToItsFileLimit) {
    const ToolRun registered = RegisterSplittingMultiplexer();
    ASSERT_EQ(0, registered.status) << registered.output;
    const ToolRun run =
        Run("record --device @device:virtual:tv-card --sink split --split-files 2 --split-mb 2 --seconds 30 out.avi");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(2, CountAfter(run.output, "files")) << run.output;
    EXPECT_FALSE(fs::exists(dir_ / "out002.avi"));
    long frames = 0;
    for (const char* piece : {"out000.avi", "out001.avi"}) {
        ASSERT_TRUE(fs::exists(dir_ / piece)) << run.output;
        EXPECT_LE(fs::file_size(dir_ / piece), 2u << 20);
        const Discovered found = Discover(dir_ / piece);
        EXPECT_TRUE(found.ok) << piece;
        EXPECT_EQ(1, found.videoStreams);
        EXPECT_EQ(1, found.audioStreams);
        frames += WalkAvi(dir_ / piece).videoFrames;
    }
    EXPECT_EQ(frames, CountAfter(run.output, "video frames in the files")) << run.output;
}

TEST_F(QdmediaRecord, TheSplittingMultiplexerWritesOneOpenDmlFileWithAvi2) {
    ASSERT_EQ(0, RegisterSplittingMultiplexer().status);
    const ToolRun run = Run("record --device @device:virtual:tv-card --sink split --avi2 --seconds 1.5 out.avi");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_TRUE(Discover(dir_ / "out.avi").ok) << run.output;
    EXPECT_FALSE(fs::exists(dir_ / "out000.avi"));
}

struct Refusal {
    const char* name;
    const char* arguments;
    const char* message;
};

class QdmediaRecordRefuses : public QdmediaRecord, public testing::WithParamInterface<Refusal> {};

TEST_P(QdmediaRecordRefuses, WithAMessageAndNoFile) {
    const ToolRun run = Run(GetParam().arguments);
    EXPECT_NE(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(GetParam().message)) << run.output;
    EXPECT_TRUE(fs::is_empty(dir_)) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    BadRequests, QdmediaRecordRefuses,
    testing::Values(
        Refusal{"UnknownDevice", "record --device 'No Such Card' --seconds 1 out.avi",
                "no video input device \"No Such Card\""},
        Refusal{"UnknownVideoCompressor",
                "record --device @device:virtual:tv-card --video-compressor 'No Codec' --seconds 1 out.avi",
                "no video compressor \"No Codec\""},
        Refusal{"UnknownAudioDevice",
                "record --device @device:virtual:tv-card --audio-device 'No Mic' --seconds 1 out.avi",
                "no audio input device \"No Mic\""},
        Refusal{"UnknownFileType", "record --device @device:virtual:tv-card --seconds 1 out.mkv",
                "cannot tell the file type of \"out.mkv\""},
        Refusal{"ProfileForAvi", "record --device @device:virtual:tv-card --wm-profile x --seconds 1 out.avi",
                "--wm-profile applies to .wmv files only"},
        Refusal{"MissingSeconds", "record --device @device:virtual:tv-card out.avi", "usage:"},
        Refusal{"SplitOptionWithoutTheSplitSink", "record --device @device:virtual:tv-card --split-files 3 --seconds 1 out.avi",
                "usage:"},
        Refusal{"NoFilesOfZeroSize", "record --device @device:virtual:tv-card --sink split --split-mb 0 --seconds 1 out.avi",
                "usage:"},
        Refusal{"SplitIntoWmv", "record --device @device:virtual:tv-card --sink split --seconds 1 out.wmv",
                "--sink split writes .avi files only"}),
    [](const testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace media::test

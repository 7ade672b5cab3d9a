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

namespace media::test {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;
};

// The number after "label: " in the tool's output, or -1.
long CountAfter(const std::string& output, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(label + ": (\\d+)"))) return -1;
    return std::stol(match[1]);
}

class QdmediaRecord : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        char pattern[] = "/tmp/qd-qdmedia-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        DeviceTest::TearDown();
    }

    // The tool in the temporary directory, its output and error text together. Its own leak
    // report is off: the test judges what it writes, not how the process ends.
    ToolRun Run(const std::string& arguments) { return Shell(QDMEDIA_TOOL " " + arguments); }

    // The splitting multiplexer's module registered in the test's own registry.
    ToolRun RegisterSplittingMultiplexer() {
        EXPECT_TRUE(EnsureGstStarted());  // for reading the files back
        return Shell(QD_REGSVR_TOOL " " QD_TALVINMUX_MODULE);
    }

    ToolRun Shell(const std::string& tool) {
        const std::string command = "cd '" + dir_.string() + "' && ASAN_OPTIONS=detect_leaks=0 " + tool + " 2>&1";
        ToolRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return run;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    // The card's capture format: frame size.
    void CardFrameSize(int* width, int* height) {
        ComPtr<IBaseFilter> card = Bind(kVirtualTvCardName);
        ASSERT_TRUE(card);
        ComPtr<IPin> capture = PinNamed(card.Get(), u"Capture");
        ASSERT_TRUE(capture);
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(S_OK, As<IAMStreamConfig>(capture.Get())->GetFormat(&type));
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        *width = info->bmiHeader.biWidth;
        *height = std::abs(info->bmiHeader.biHeight);
        DeleteMediaType(type);
    }

    std::string CardName() {
        for (const auto& m : Monikers(CLSID_VideoInputDeviceCategory))
            if (DisplayName(m.Get()) == kVirtualTvCardName) return WideToUtf8(FriendlyName(m.Get()));
        return {};
    }

    fs::path dir_;
};

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

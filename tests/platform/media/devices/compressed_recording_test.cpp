// Every compressor in a recording graph: three seconds of the virtual TV card written to an
// AVI file through the compressor, the AVI multiplexer and the file writer, then read back as
// a player reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/com/wide_text.h"
#include "tests/platform/media/devices/recording_fixture.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr double kSeconds = 3.0;

struct Compressor {
    const char* element;
    const char* discoveredCaps;  // what a player's discoverer reports for the stream
};

std::string CaseName(const ::testing::TestParamInfo<Compressor>& info) { return info.param.element; }

// Records kSeconds with the given compressors; the file's path.
class CompressedRecordingTest : public RecordingTest {
protected:
    fs::path Record(IBaseFilter* videoCompressor, IBaseFilter* audioCompressor) {
        const fs::path file = dir_ / "recording.avi";
        EXPECT_EQ(S_OK, BuildRecording(file, videoCompressor, audioCompressor));
        EXPECT_TRUE(SUCCEEDED(control_->Run()));
        EXPECT_EQ(S_OK, WatchFor(std::chrono::milliseconds(static_cast<int>(kSeconds * 1000))));
        EXPECT_EQ(S_OK, control_->Stop());
        return file;
    }

    // The frames a player reads, the AVI's video chunks and the seconds of decoded audio agree.
    void ExpectStreamsOfOneLength(const fs::path& file) {
        int width = 0, height = 0;
        double fps = 0;
        CaptureFormat(&width, &height, &fps);
        const AviChunks chunks = WalkAvi(file);
        EXPECT_NEAR(kSeconds * fps, chunks.videoFrames, 8);
        EXPECT_EQ(static_cast<std::uint32_t>(chunks.videoFrames), chunks.headerFrames);
        const Decoded decoded = DecodeFile(file);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(chunks.videoFrames, decoded.videoFrames) << "frames a player cannot decode";
        EXPECT_NEAR(chunks.videoFrames / fps, decoded.audioSeconds, 0.1);
    }
};

class VideoCompressorRecordingTest : public CompressedRecordingTest, public ::testing::WithParamInterface<Compressor> {};

TEST_P(VideoCompressorRecordingTest, RecordsAFileOfTheCodecWithAudioOfTheSameLength) {
    const bool dv = std::string(GetParam().element) == "avenc_dvvideo";
    // DV carries only its own frame size.
    if (dv) SetCaptureSize(720, 480);
    int width = 0, height = 0;
    double fps = 0;
    CaptureFormat(&width, &height, &fps);
    auto compressor = AddBound(u"@device:cm:" + Utf8ToWide(GetParam().element));
    ASSERT_TRUE(compressor);
    const fs::path file = Record(compressor.Get(), nullptr);

    const Discovered found = Discover(file);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_EQ(1, found.audioStreams);
    EXPECT_TRUE(CapsAgree(found.videoCaps, GetParam().discoveredCaps)) << found.videoCaps;
    EXPECT_EQ(width, found.width);
    EXPECT_EQ(height, found.height);
    ExpectStreamsOfOneLength(file);
}

INSTANTIATE_TEST_SUITE_P(Video, VideoCompressorRecordingTest,
                         ::testing::Values(Compressor{"x264enc", "video/x-h264"}, Compressor{"jpegenc", "image/jpeg"}),
                         CaseName);

// The libav encoders lose their frames' times; the compressor puts them back, or the
// multiplexer would drop every frame as outside its segment.
INSTANTIATE_TEST_SUITE_P(LibavVideo, VideoCompressorRecordingTest,
                         ::testing::Values(Compressor{"avenc_mpeg4", "video/x-divx, divxversion=(int)4"},  // FMP4 reads back as DivX 4
                                           Compressor{"avenc_huffyuv", "video/x-huffyuv"},
                                           Compressor{"avenc_dvvideo", "video/x-dv, systemstream=(boolean)false"}),
                         CaseName);

class AudioCompressorRecordingTest : public CompressedRecordingTest, public ::testing::WithParamInterface<Compressor> {};

TEST_P(AudioCompressorRecordingTest, RecordsAudioOfTheCodecAsLongAsTheVideo) {
    // Uncompressed video at a small size keeps the file small.
    SetCaptureSize(320, 240);
    auto compressor = AddBound(u"@device:cm:" + Utf8ToWide(GetParam().element));
    ASSERT_TRUE(compressor);
    const fs::path file = Record(nullptr, compressor.Get());

    const Discovered found = Discover(file);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_EQ(1, found.audioStreams);
    EXPECT_TRUE(CapsAgree(found.audioCaps, GetParam().discoveredCaps)) << found.audioCaps;
    EXPECT_EQ(320, found.width);
    EXPECT_EQ(240, found.height);
    ExpectStreamsOfOneLength(file);
}

INSTANTIATE_TEST_SUITE_P(
    Audio, AudioCompressorRecordingTest,
    ::testing::Values(Compressor{"lamemp3enc", "audio/mpeg, mpegversion=(int)1, layer=(int)3"},
                      Compressor{"avenc_ac3", "audio/x-ac3"},
                      Compressor{"twolamemp2enc", "audio/mpeg, mpegversion=(int)1, layer=(int)2"},
                      Compressor{"avenc_mp2", "audio/mpeg, mpegversion=(int)1, layer=(int)2"},
                      Compressor{"alawenc", "audio/x-alaw"}, Compressor{"mulawenc", "audio/x-mulaw"}),
    CaseName);

// GStreamer's AVI multiplexer takes neither FFV1, FFV Huffman nor ADPCM: building the graph
// fails at once with the connection's error, and nothing is left waiting.
class CompressorTheMultiplexerRefuses : public CompressedRecordingTest,
                                        public ::testing::WithParamInterface<const char*> {};

TEST_P(CompressorTheMultiplexerRefuses, FailsToBuildTheRecording) {
    SetCaptureSize(320, 240);
    auto compressor = AddBound(u"@device:cm:" + Utf8ToWide(GetParam()));
    ASSERT_TRUE(compressor);
    const bool video = std::string(GetParam()).find("adpcm") == std::string::npos;
    EXPECT_TRUE(FAILED(BuildRecording(dir_ / "refused.avi", video ? compressor.Get() : nullptr,
                                      video ? nullptr : compressor.Get())));
}

INSTANTIATE_TEST_SUITE_P(NotTaken, CompressorTheMultiplexerRefuses,
                         ::testing::Values("avenc_ffvhuff", "avenc_ffv1", "avenc_adpcm_ima_wav", "avenc_adpcm_ms"),
                         [](const auto& param) { return std::string(param.param); });

}  // namespace
}  // namespace media::test

// The AVI writer on its own: numbered pieces and their limits, OpenDML parts and indexes, the
// counts it reports against what the files hold, an existing file, and a disk that fills.
// Files are read back by walking their chunks, by GStreamer's discoverer and by ffprobe.
#include <gtest/gtest.h>

#include <optional>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "filters/talvinmux/avi_writer.h"
#include "platform/media/format_blocks.h"
#include "tests/filters/talvinmux/avi_file_reader.h"
#include "tests/filters/talvinmux/writer_fixture.h"
#include "tests/platform/media/asf/media_file_probe.h"
#include "tests/support/file_size_limit.h"

namespace talvinmux::test {
namespace {

namespace fs = std::filesystem;

TEST_F(WriterTest, NumberedPiecesStopAtTheFileLimitEachPlayable) {
    WriterConfig config = Config(FileLayout::NumberedAvi1);
    config.maxFiles = 3;
    config.maxFileBytes = 1 << 20;
    AviWriter writer(config, &index_);
    ASSERT_EQ(S_OK, writer.Open());
    const int written = WriteUntilEnded(writer, 1000);
    ASSERT_LT(written, 1000) << "the file limit never ended the recording";
    EXPECT_TRUE(writer.Ended());
    ASSERT_EQ(S_OK, writer.Close());
    EXPECT_EQ(3u, writer.Files());
    EXPECT_FALSE(fs::exists(Base() + "003.avi"));

    std::uint64_t video = 0, audio = 0;
    double seconds = 0;
    for (const char* number : {"000", "001", "002"}) {
        const std::string path = Base() + number + ".avi";
        const AviContents avi = ReadAvi(path);
        ASSERT_TRUE(avi.valid) << path << ": " << avi.problem;
        EXPECT_LE(avi.fileBytes, std::uint64_t{1} << 20) << path;
        EXPECT_GT(avi.fileBytes, std::uint64_t{900} << 10) << path << " was split too early";
        EXPECT_EQ(avi.videoChunks, avi.avihFrames);
        EXPECT_EQ(avi.videoChunks, avi.videoLength);
        EXPECT_EQ(avi.videoChunks + avi.audioChunks, avi.idx1Entries);
        const media::test::ProbedFile probed = media::test::ProbeMediaFile(path);
        ASSERT_TRUE(probed.readable) << path << ": " << probed.error;
        ASSERT_TRUE(probed.FirstVideo());
        ASSERT_TRUE(probed.FirstAudio());
        seconds += probed.durationSeconds;
        video += avi.videoChunks;
        audio += avi.audioChunks;
    }
    EXPECT_EQ(static_cast<std::uint64_t>(written), video);
    EXPECT_EQ(writer.VideoChunks(), video);
    EXPECT_EQ(writer.AudioChunks(), audio);
    EXPECT_NEAR(static_cast<double>(video) / kFps, seconds, 1.0 / kFps);
}

TEST_F(WriterTest, OpenDmlPartsCarryStandardAndSuperIndexes) {
    WriterConfig config = Config(FileLayout::OpenDml);
    config.riffBytes = 256 << 10;
    AviWriter writer(config, &index_);
    ASSERT_EQ(S_OK, writer.Open());
    ASSERT_EQ(200, WriteUntilEnded(writer, 200));
    ASSERT_EQ(S_OK, writer.Close());

    const std::string path = Base() + ".avi";
    const AviContents avi = ReadAvi(path);
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_GT(avi.riffParts, 4);
    EXPECT_EQ(200u, avi.videoChunks);
    EXPECT_EQ(200u, avi.dmlhFrames);
    EXPECT_EQ(200u, avi.videoLength);
    EXPECT_LT(avi.avihFrames, 200u) << "the main header counts the first part only";
    EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.videoSuperEntries);
    EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.audioSuperEntries);
    EXPECT_EQ(avi.videoChunks + avi.audioChunks, avi.standardIndexEntries);
    EXPECT_GT(avi.idx1Entries, 0u);
    const Probed probed = FfprobePackets(path);
    ASSERT_TRUE(probed.ok) << probed.output;
    EXPECT_EQ(200u, probed.videoPackets);
    EXPECT_EQ(avi.audioBytes, probed.audioBytes);
    const media::test::ProbedFile discovered = media::test::ProbeMediaFile(path);
    ASSERT_TRUE(discovered.readable) << discovered.error;
    EXPECT_NEAR(200.0 / kFps, discovered.durationSeconds, 1.0 / kFps);
}

TEST_F(WriterTest, OpenDmlFileOverOneGibibyteIsReadToItsEnd) {
    WriterConfig config = Config(FileLayout::OpenDml, 640, 480);
    AviWriter writer(config, &index_);
    ASSERT_EQ(S_OK, writer.Open());
    const int frames = static_cast<int>((std::uint64_t{1100} << 20) / FrameBytes(640, 480));
    ASSERT_EQ(frames, WriteUntilEnded(writer, frames, 640, 480));
    ASSERT_EQ(S_OK, writer.Close());
    const std::string path = Base() + ".avi";
    const AviContents avi = ReadAvi(path);
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_GT(avi.fileBytes, std::uint64_t{1} << 30);
    EXPECT_EQ(2, avi.riffParts);
    EXPECT_EQ(static_cast<std::uint64_t>(frames), avi.videoChunks);
    const Probed probed = FfprobePackets(path);
    ASSERT_TRUE(probed.ok) << probed.output;
    EXPECT_EQ(static_cast<std::uint64_t>(frames), probed.videoPackets);
    EXPECT_EQ(avi.audioBytes, probed.audioBytes);
    const media::test::ProbedFile discovered = media::test::ProbeMediaFile(path);
    ASSERT_TRUE(discovered.readable) << discovered.error;
    EXPECT_NEAR(frames / kFps, discovered.durationSeconds, 1.0 / kFps);
    fs::remove(path);
}

TEST_F(WriterTest, SplitByFrameCountPutsThatManyFramesInEachPiece) {
    WriterConfig config = Config(FileLayout::NumberedAvi1);
    config.splitMode = SplitMode::FrameCount;
    config.splitVideoFrames = 10;
    config.maxFiles = 4;
    AviWriter writer(config, &index_);
    ASSERT_EQ(S_OK, writer.Open());
    EXPECT_EQ(40, WriteUntilEnded(writer, 100));
    writer.Close();
    for (const char* number : {"000", "001", "002", "003"}) {
        const AviContents avi = ReadAvi(Base() + number + ".avi");
        ASSERT_TRUE(avi.valid) << avi.problem;
        EXPECT_EQ(10u, avi.videoChunks) << number;
    }
}

TEST_F(WriterTest, SplitByKeyFramesStartsEveryPieceWithAKeyFrame) {
    WriterConfig config = Config(FileLayout::NumberedAvi1);
    config.splitMode = SplitMode::KeyFrameCount;
    config.splitVideoFrames = 2;  // two groups of five frames per piece
    config.maxFiles = 3;
    AviWriter writer(config, &index_);
    ASSERT_EQ(S_OK, writer.Open());
    keyFrameInterval_ = 5;
    EXPECT_EQ(30, WriteUntilEnded(writer, 100));
    writer.Close();
    for (const char* number : {"000", "001", "002"}) {
        const AviContents avi = ReadAvi(Base() + number + ".avi");
        ASSERT_TRUE(avi.valid) << avi.problem;
        EXPECT_EQ(10u, avi.videoChunks) << number;
    }
    const std::optional<IndexedFrame> first = index_.At(StreamKind::Video, 10);
    ASSERT_TRUE(first);
    EXPECT_EQ(1u, first->piece);
    EXPECT_TRUE(first->keyFrame);
}

TEST_F(WriterTest, AFrameLargerThanTheLimitTakesAPieceOfItsOwnAndTheLimitStillEnds) {
    WriterConfig config = Config(FileLayout::NumberedAvi1, 640, 480);
    config.maxFiles = 3;
    config.maxFileBytes = 1 << 20;  // smaller than one frame
    AviWriter writer(config, &index_);
    ASSERT_EQ(S_OK, writer.Open());
    EXPECT_EQ(3, WriteUntilEnded(writer, 50, 640, 480, /*withAudio=*/false));
    EXPECT_EQ(3u, writer.Files());
}

TEST_F(WriterTest, EveryChunkReachesTheFrameIndexAtItsOffset) {
    AviWriter writer(Config(FileLayout::OpenDml), &index_);
    ASSERT_EQ(S_OK, writer.Open());
    WriteUntilEnded(writer, 20);
    writer.Close();
    ASSERT_EQ(20u, index_.Count(StreamKind::Video));
    EXPECT_EQ(writer.AudioChunks(), index_.Count(StreamKind::Audio));
    std::ifstream in(index_.PiecePath(0), std::ios::binary);
    for (std::size_t i = 0; i < 20; ++i) {
        const std::optional<IndexedFrame> frame = index_.At(StreamKind::Video, i);
        ASSERT_TRUE(frame);
        in.seekg(static_cast<std::streamoff>(frame->offset));
        std::uint32_t stamp = 0;
        in.read(reinterpret_cast<char*>(&stamp), sizeof stamp);
        EXPECT_EQ(i, stamp) << "the frame number stamped into frame " << i;
        EXPECT_EQ(static_cast<std::int64_t>(i) * kFrameTime, frame->start);
    }
}

TEST_F(WriterTest, AnExistingLongerFileIsReplaced) {
    const std::string path = Base() + "000.avi";
    {
        std::ofstream old(path, std::ios::binary);
        std::vector<char> junk(4 << 20, 'x');
        old.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    AviWriter writer(Config(FileLayout::NumberedAvi1), &index_);
    ASSERT_EQ(S_OK, writer.Open());
    WriteUntilEnded(writer, 10);
    ASSERT_EQ(S_OK, writer.Close());
    const AviContents avi = ReadAvi(path);
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_LT(avi.fileBytes, std::uint64_t{1} << 20);
    EXPECT_EQ(10u, avi.videoChunks);
}

struct DiskFullCase {
    FileLayout layout;
    int width, height;  // tiny frames leave less room than the index needs where the write fails
    bool withAudio;
};

class DiskFullTest : public WriterTest, public ::testing::WithParamInterface<DiskFullCase> {};

TEST_P(DiskFullTest, TheCurrentFileIsClosedValidAndTheCountsFollowIt) {
    const DiskFullCase c = GetParam();
    WriterConfig config = Config(c.layout, c.width, c.height);
    config.riffBytes = 200 << 10;
    AviWriter writer(config, &index_);
    HRESULT failure = S_OK;
    {
        FileSizeLimit limit(700 << 10);
        ASSERT_EQ(S_OK, writer.Open());
        for (int i = 0; i < 100000 && failure == S_OK; ++i) failure = WriteFrame(writer, i, c.width, c.height, c.withAudio);
    }
    EXPECT_TRUE(FAILED(failure));
    EXPECT_TRUE(writer.Ended());
    EXPECT_EQ(S_FALSE, WriteFrame(writer, 0)) << "nothing is written after the fault";
    const std::string path = writer.PiecePath(0);
    const AviContents avi = ReadAvi(path);
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_LE(avi.fileBytes, std::uint64_t{700} << 10);
    EXPECT_EQ(writer.VideoChunks(), avi.videoChunks);
    EXPECT_EQ(writer.AudioChunks(), avi.audioChunks);
    EXPECT_EQ(writer.AudioBytes(), avi.audioBytes);
    // The indexes made it into the file and cover every chunk in it.
    if (c.layout == FileLayout::NumberedAvi1) {
        EXPECT_EQ(avi.videoChunks + avi.audioChunks, avi.idx1Entries);
    } else {
        EXPECT_EQ(avi.videoChunks + avi.audioChunks, avi.standardIndexEntries);
        EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.videoSuperEntries);
        EXPECT_GT(avi.idx1Entries, 0u);
    }
    const Probed probed = FfprobePackets(path);
    ASSERT_TRUE(probed.ok) << probed.output;
    EXPECT_EQ(avi.videoChunks, probed.videoPackets);
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, DiskFullTest,
                         ::testing::Values(DiskFullCase{FileLayout::NumberedAvi1, 64, 48, true},
                                           DiskFullCase{FileLayout::OpenDml, 64, 48, true},
                                           DiskFullCase{FileLayout::NumberedAvi1, 4, 2, false},
                                           DiskFullCase{FileLayout::OpenDml, 4, 2, false}));

}  // namespace
}  // namespace talvinmux::test

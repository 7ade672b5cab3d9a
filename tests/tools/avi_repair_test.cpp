// `qdmedia repair` on files of the splitting multiplexer's AVI writer as a crash leaves them: the
// file is copied while the writer still has it open (every write goes straight to the file, so
// the copy holds what a killed process leaves), then repaired by the tool and read back by
// walking its chunks, by ffprobe and by GStreamer's discoverer. Damaged and foreign files are
// refused by the repair core without touching them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tests/filters/talvinmux/avi_file_reader.h"
#include "tests/filters/talvinmux/writer_fixture.h"
#include "tests/platform/media/asf/media_file_probe.h"
#include "tools/qdmedia/avi_repair.h"
#include "tools/qdmedia/key_frames.h"

namespace talvinmux::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Store(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun RunCommand(const std::string& command) {
    ToolRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ToolRun Repair(const fs::path& file) {
    return RunCommand("ASAN_OPTIONS=detect_leaks=0 " QDMEDIA_TOOL " repair '" + file.string() + "'");
}

// The number after "label: " in the tool's output, or -1.
long CountAfter(const std::string& output, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(label + ": (\\d+)"))) return -1;
    return std::stol(match[1]);
}

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::uint64_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// The video key frames the standard indexes ('ix00') of all RIFF parts name.
long StandardIndexVideoKeyFrames(const std::vector<std::uint8_t>& bytes) {
    const qdmedia::AviScan scan = qdmedia::ScanAvi(qdmedia::MemoryBytes(bytes.data(), bytes.size()));
    long keys = 0;
    for (const qdmedia::AviPart& part : scan.parts) {
        for (const qdmedia::AviChunk& index : part.indexChunks) {
            if (index.stream != 0) continue;
            const std::uint32_t entries = Le32(bytes, index.offset + 12);
            for (std::uint32_t e = 0; e < entries; ++e) keys += !(Le32(bytes, index.offset + 32 + 8 * e + 4) & 0x80000000u);
        }
    }
    return keys;
}

qdmedia::RepairPlan Plan(const std::vector<std::uint8_t>& bytes) {
    return qdmedia::PlanRepair(qdmedia::MemoryBytes(bytes.data(), bytes.size()));
}

class AviRepair : public WriterTest {
protected:
    // Writes `frames` frames, copies the file as a crash at that moment leaves it, then goes on
    // and closes the writer. Returns the copy's path.
    fs::path KilledAfter(WriterConfig config, int frames, int more = 10) {
        const fs::path killed = dir_ / "killed.avi";
        AviWriter writer(config, &index_);
        EXPECT_EQ(S_OK, writer.Open());
        EXPECT_EQ(frames, WriteUntilEnded(writer, frames));
        fs::copy_file(writer.PiecePath(writer.Files() - 1), killed, fs::copy_options::overwrite_existing);
        for (int i = frames; i < frames + more; ++i) WriteFrame(writer, i);
        EXPECT_EQ(S_OK, writer.Close());
        return killed;
    }

    // The repaired file holds `frames` video frames and reads to its end with the right length.
    void ExpectPlayable(const fs::path& file, std::uint64_t frames) {
        const AviContents avi = ReadAvi(file.string());
        ASSERT_TRUE(avi.valid) << avi.problem;
        EXPECT_EQ(frames, avi.videoChunks);
        EXPECT_EQ(frames, avi.videoLength);
        EXPECT_EQ(frames * kAudioBytesPerFrame, avi.audioBytes);
        EXPECT_EQ(frames * kAudioBytesPerFrame / 4, avi.audioLength);
        const Probed probed = FfprobePackets(file.string());
        ASSERT_TRUE(probed.ok) << probed.output;
        EXPECT_EQ(frames, probed.videoPackets);
        EXPECT_EQ(avi.audioBytes, probed.audioBytes);
        const media::test::ProbedFile discovered = media::test::ProbeMediaFile(file.string());
        ASSERT_TRUE(discovered.readable) << discovered.error;
        ASSERT_TRUE(discovered.FirstVideo());
        ASSERT_TRUE(discovered.FirstAudio());
        EXPECT_NEAR(static_cast<double>(frames) / kFps, discovered.durationSeconds, 1.0 / kFps);
    }
};

TEST_F(AviRepair, AnAvi1PieceCutOffIsIndexedAndCounted) {
    const fs::path killed = KilledAfter(Config(FileLayout::NumberedAvi1), 40);
    ASSERT_TRUE(Plan(Bytes(killed)).needed);
    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(40, CountAfter(run.output, "frames")) << run.output;
    EXPECT_EQ(80, CountAfter(run.output, "index entries written")) << run.output;
    const AviContents avi = ReadAvi(killed.string());
    EXPECT_EQ(40u, avi.avihFrames);
    EXPECT_EQ(80u, avi.idx1Entries);
    ExpectPlayable(killed, 40);
}

TEST_F(AviRepair, AnOpenDmlFileCutOffInItsFirstPartIsReadToItsLastChunk) {
    const fs::path killed = KilledAfter(Config(FileLayout::OpenDml), 30);
    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(1, CountAfter(run.output, "RIFF parts")) << run.output;
    EXPECT_EQ(30u, ReadAvi(killed.string()).dmlhFrames);
    ExpectPlayable(killed, 30);
}

TEST_F(AviRepair, AnOpenDmlFileCutOffInALaterPartGetsItsIndexesAndKeepsTheirKeyFrames) {
    WriterConfig config = Config(FileLayout::OpenDml);
    config.riffBytes = 256 << 10;
    keyFrameInterval_ = 5;
    const fs::path killed = KilledAfter(config, 130);
    const std::vector<std::uint8_t> before = Bytes(killed);
    const qdmedia::AviScan scan = qdmedia::ScanAvi(qdmedia::MemoryBytes(before.data(), before.size()));
    ASSERT_TRUE(scan.error.empty()) << scan.error;
    ASSERT_GT(scan.parts.size(), 3u);
    std::uint64_t framesInLastPart = 0;
    for (const qdmedia::AviChunk& c : scan.parts.back().chunks) framesInLastPart += c.stream == 0;
    ASSERT_GT(framesInLastPart, 0u);

    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(static_cast<long>(scan.parts.size()), CountAfter(run.output, "RIFF parts")) << run.output;
    const AviContents avi = ReadAvi(killed.string());
    EXPECT_EQ(130u, avi.dmlhFrames);
    EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.videoSuperEntries);
    EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.audioSuperEntries);
    EXPECT_EQ(avi.videoChunks + avi.audioChunks, avi.standardIndexEntries);
    ExpectPlayable(killed, 130);
    // Frames the closed parts' indexes name keep their flags (every fifth a key frame); the
    // uncompressed frames of the part cut off are all key frames.
    long expectedKeys = static_cast<long>(framesInLastPart);
    for (std::uint64_t n = 0; n < 130 - framesInLastPart; ++n) expectedKeys += n % 5 == 0;
    EXPECT_EQ(expectedKeys, StandardIndexVideoKeyFrames(Bytes(killed)));
}

TEST_F(AviRepair, TheRoomAWriterKeepsAsJunkTakesTheSuperIndex) {
    // GStreamer's avimux keeps the room for a stream's super index as a JUNK chunk laid out as
    // an empty one until it finishes the file.
    WriterConfig config = Config(FileLayout::OpenDml);
    config.riffBytes = 256 << 10;
    const fs::path killed = KilledAfter(config, 90);
    std::vector<std::uint8_t> bytes = Bytes(killed);
    int reserved = 0;
    for (std::size_t at = 0; at + 4 <= 12288; ++at) {
        if (std::memcmp(bytes.data() + at, "indx", 4) != 0) continue;
        std::memcpy(bytes.data() + at, "JUNK", 4);
        ++reserved;
    }
    ASSERT_EQ(2, reserved);
    Store(killed, bytes);
    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("note:")) << run.output;
    const AviContents avi = ReadAvi(killed.string());
    EXPECT_GT(avi.riffParts, 2);
    EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.videoSuperEntries);
    EXPECT_EQ(static_cast<std::uint32_t>(avi.riffParts), avi.audioSuperEntries);
    ExpectPlayable(killed, 90);
}

TEST_F(AviRepair, WithoutRoomForASuperIndexThePartsAreClosedAndTheToolSaysSo) {
    WriterConfig config = Config(FileLayout::OpenDml);
    config.riffBytes = 256 << 10;
    const fs::path killed = KilledAfter(config, 90);
    std::vector<std::uint8_t> bytes = Bytes(killed);
    for (std::size_t at = 0; at + 8 <= 12288; ++at) {
        if (std::memcmp(bytes.data() + at, "indx", 4) == 0) std::memcpy(bytes.data() + at, "JUNK", 4);
        if (std::memcmp(bytes.data() + at, "JUNK", 4) == 0) bytes[at + 8] = 0;  // not laid out as an index
    }
    Store(killed, bytes);
    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("note: no room for an OpenDML super index")) << run.output;
    const AviContents avi = ReadAvi(killed.string());
    ASSERT_TRUE(avi.valid) << avi.problem;
    EXPECT_EQ(90u, avi.videoChunks);
    EXPECT_EQ(90u, avi.dmlhFrames);
    EXPECT_GT(avi.idx1Entries, 0u);
    const ToolRun again = Repair(killed);
    EXPECT_NE(std::string::npos, again.output.find("nothing to repair")) << again.output;
}

TEST_F(AviRepair, ATornLastChunkIsCutOff) {
    const fs::path killed = KilledAfter(Config(FileLayout::NumberedAvi1), 20);
    std::vector<std::uint8_t> bytes = Bytes(killed);
    // Half of a video chunk's header and data follow the last complete chunk.
    const std::uint64_t whole = bytes.size();
    bytes.insert(bytes.end(), {'0', '0', 'd', 'b', 0x00, 0x30, 0x00, 0x00});
    bytes.insert(bytes.end(), 5000, 0x55);
    Store(killed, bytes);
    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(5008, CountAfter(run.output, "cut off")) << run.output;
    EXPECT_EQ(whole + 8 + 16 * 40, fs::file_size(killed));
    ExpectPlayable(killed, 20);
}

TEST_F(AviRepair, ARiffPartCutOffInItsHeaderIsLeftOut) {
    WriterConfig config = Config(FileLayout::OpenDml);
    config.riffBytes = 256 << 10;
    const fs::path killed = KilledAfter(config, 70);
    std::vector<std::uint8_t> bytes = Bytes(killed);
    const std::size_t whole = bytes.size();
    const std::vector<std::uint8_t> header = {'R', 'I', 'F', 'F', 16, 0, 0, 0, 'A', 'V', 'I', 'X', 'L', 'I', 'S', 'T', 4, 0, 0, 0};
    bytes.insert(bytes.end(), header.begin(), header.end());
    Store(killed, bytes);
    const qdmedia::RepairPlan plan = Plan(bytes);
    ASSERT_TRUE(plan.needed) << plan.error;
    EXPECT_EQ(whole, plan.newSize);
    const ToolRun run = Repair(killed);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(20, CountAfter(run.output, "cut off")) << run.output;
    ExpectPlayable(killed, 70);
}

TEST_F(AviRepair, ChunksOfOtherKindsInAClosedMovieListAreLeftAlone) {
    {
        AviWriter writer(Config(FileLayout::NumberedAvi1), &index_);
        ASSERT_EQ(S_OK, writer.Open());
        ASSERT_EQ(10, WriteUntilEnded(writer, 10));
        ASSERT_EQ(S_OK, writer.Close());
    }
    std::vector<std::uint8_t> bytes = Bytes(Base() + "000.avi");
    // The second chunk of movi (an audio chunk) becomes one of a kind the repair does not know.
    const qdmedia::AviScan scan = qdmedia::ScanAvi(qdmedia::MemoryBytes(bytes.data(), bytes.size()));
    ASSERT_GT(scan.parts.at(0).chunks.size(), 2u);
    std::memcpy(bytes.data() + scan.parts[0].chunks[1].offset, "Zz99", 4);
    const qdmedia::RepairPlan plan = Plan(bytes);
    EXPECT_TRUE(plan.error.empty()) << plan.error;
    EXPECT_FALSE(plan.needed);
    ASSERT_EQ(2u, plan.streams.size());
    EXPECT_EQ(10u, plan.streams[0].chunks);
    EXPECT_EQ(9u, plan.streams[1].chunks);
}

TEST_F(AviRepair, ACompleteFileIsLeftByteForByte) {
    WriterConfig config = Config(FileLayout::OpenDml);
    config.riffBytes = 256 << 10;
    {
        AviWriter writer(config, &index_);
        ASSERT_EQ(S_OK, writer.Open());
        ASSERT_EQ(60, WriteUntilEnded(writer, 60));
        ASSERT_EQ(S_OK, writer.Close());
    }
    const fs::path file = Base() + ".avi";
    const std::vector<std::uint8_t> before = Bytes(file);
    const ToolRun run = Repair(file);
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("nothing to repair")) << run.output;
    EXPECT_EQ(60, CountAfter(run.output, "frames")) << run.output;
    EXPECT_TRUE(before == Bytes(file));
}

TEST_F(AviRepair, ARepairedFileNeedsNoSecondRepair) {
    const fs::path killed = KilledAfter(Config(FileLayout::NumberedAvi1), 25);
    ASSERT_EQ(0, Repair(killed).status);
    const std::vector<std::uint8_t> repaired = Bytes(killed);
    const ToolRun again = Repair(killed);
    ASSERT_EQ(0, again.status) << again.output;
    EXPECT_NE(std::string::npos, again.output.find("nothing to repair")) << again.output;
    EXPECT_TRUE(repaired == Bytes(killed));
}

TEST_F(AviRepair, AFileStillOpenElsewhereIsLeftAlone) {
    const fs::path killed = KilledAfter(Config(FileLayout::NumberedAvi1), 10);
    const std::vector<std::uint8_t> before = Bytes(killed);
    {
        std::ifstream reader(killed, std::ios::binary);  // a recording or a player holding it
        ASSERT_TRUE(reader.is_open());
        const ToolRun run = Repair(killed);
        EXPECT_EQ(1, run.status);
        EXPECT_NE(std::string::npos, run.output.find("the file is open in another program")) << run.output;
        EXPECT_TRUE(before == Bytes(killed));
    }
    EXPECT_EQ(0, Repair(killed).status);
}

TEST_F(AviRepair, TheRepairOnlyAppendsAndPatchesHeaderFields) {
    const fs::path killed = KilledAfter(Config(FileLayout::NumberedAvi1), 15);
    const std::vector<std::uint8_t> before = Bytes(killed);
    const qdmedia::RepairPlan plan = Plan(before);
    ASSERT_TRUE(plan.error.empty()) << plan.error;
    ASSERT_TRUE(plan.needed);
    EXPECT_EQ(before.size(), plan.newSize);
    const std::vector<std::uint8_t> after = qdmedia::ApplyRepair(before, plan);
    ASSERT_GT(after.size(), before.size());
    // RIFF and movi sizes, avih frames, the two strh lengths: four bytes each, nothing else.
    EXPECT_EQ(5u, plan.fields.size());
    std::vector<bool> patched(before.size());
    for (const qdmedia::FilePatch& field : plan.fields) {
        EXPECT_EQ(4u, field.bytes.size());
        for (std::size_t i = 0; i < field.bytes.size(); ++i) patched[field.offset + i] = true;
    }
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!patched[i]) {
            ASSERT_EQ(before[i], after[i]) << "byte " << i;
        }
}

TEST_F(AviRepair, AnUnknownCodecGetsItsFirstFrameMarkedAndSaysSo) {
    WriterConfig config = Config(FileLayout::NumberedAvi1);
    const std::uint32_t vp8 = qdmedia::FourCC("VP80");
    std::memcpy(config.video->bitmapInfo.data() + 16, &vp8, sizeof vp8);  // biCompression
    const qdmedia::RepairPlan plan = Plan(Bytes(KilledAfter(config, 12)));
    ASSERT_TRUE(plan.needed) << plan.error;
    ASSERT_EQ(2u, plan.streams.size());
    EXPECT_EQ(12u, plan.streams[0].chunks);
    EXPECT_EQ(1u, plan.streams[0].keyFrames);
    ASSERT_EQ(1u, plan.notes.size());
    EXPECT_NE(std::string::npos, plan.notes[0].find("VP80): key frames unknown, only the first frame")) << plan.notes[0];
}

// --- Files the repair refuses ---

struct Refused {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* error;
};
void PrintTo(const Refused& refused, std::ostream* out) { *out << refused.name; }

std::vector<std::uint8_t> Le(std::initializer_list<std::uint32_t> words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t w : words)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    return bytes;
}

constexpr std::uint32_t F(const char (&text)[5]) { return qdmedia::FourCC(text); }

class AviRepairRefuses : public testing::TestWithParam<Refused> {};

TEST_P(AviRepairRefuses, WithAReasonAndNoChange) {
    const qdmedia::RepairPlan plan = Plan(GetParam().bytes);
    EXPECT_FALSE(plan.needed);
    EXPECT_NE(std::string::npos, plan.error.find(GetParam().error)) << plan.error;
    EXPECT_TRUE(plan.appended.empty());
    EXPECT_TRUE(plan.fields.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, AviRepairRefuses,
    testing::Values(
        Refused{"Empty", {}, "not an AVI file"},
        Refused{"Text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}, "not an AVI file"},
        Refused{"Wave", Le({F("RIFF"), 4, F("WAVE")}), "not an AVI file"},
        Refused{"HeaderOnly", Le({F("RIFF"), 4, F("AVI ")}), "no main AVI header"},
        Refused{"HeadersCutOff", Le({F("RIFF"), 100, F("AVI "), F("LIST"), 0xFFFFFFF0u, F("hdrl"), F("avih")}),
                "the AVI headers are cut off"},
        Refused{"NoStreams",
                [] {
                    auto b = Le({F("RIFF"), 0, F("AVI "), F("LIST"), 68, F("hdrl"), F("avih"), 56});
                    b.resize(b.size() + 56);
                    auto movi = Le({F("LIST"), 4, F("movi")});
                    b.insert(b.end(), movi.begin(), movi.end());
                    return b;
                }(),
                "no stream headers"},
        Refused{"StreamWithoutStrh",
                [] {
                    auto b = Le({F("RIFF"), 0, F("AVI "), F("LIST"), 88, F("hdrl"), F("avih"), 56});
                    b.resize(b.size() + 56);
                    auto strl = Le({F("LIST"), 12, F("strl"), F("JUNK"), 0});
                    b.insert(b.end(), strl.begin(), strl.end());
                    return b;
                }(),
                "without its strh"},
        Refused{"AbsurdChunkSizesInTheHeaders",
                [] {
                    auto b = Le({F("RIFF"), 0xFFFFFFFFu, F("AVI "), F("LIST"), 40, F("hdrl"), F("avih"), 0xFFFFFFF0u});
                    b.resize(b.size() + 64);
                    return b;
                }(),
                "no main AVI header"},
        Refused{"GarbageInsteadOfMovieData",
                [] {
                    auto b = Le({F("RIFF"), 0, F("AVI "), F("LIST"), 68, F("hdrl"), F("avih"), 56});
                    b.resize(b.size() + 56);
                    b.insert(b.end(), {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09});
                    return b;
                }(),
                "damaged data at byte 88"}),
    [](const testing::TestParamInfo<Refused>& param) { return std::string(param.param.name); });

TEST(AviRepairTool, RefusesAFileThatIsNotAviWithOneLineAndLeavesIt) {
    char pattern[] = "/tmp/qd-repair-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const fs::path file = fs::path(pattern) / "notes.avi";
    const std::vector<std::uint8_t> text{'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'};
    Store(file, text);
    const ToolRun run = Repair(file);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("qdmedia repair: " + file.string() + ": not an AVI file (no RIFF 'AVI ' header)\n", run.output);
    EXPECT_TRUE(text == Bytes(file));
    for (const char* arguments : {" repair", " repair a.avi b.avi", " repair --seconds 3 a.avi"}) {
        const ToolRun usage = RunCommand(std::string(QDMEDIA_TOOL) + arguments);
        EXPECT_EQ(2, usage.status) << arguments;
        EXPECT_NE(std::string::npos, usage.output.find("qdmedia repair FILE.avi")) << usage.output;
    }
    const ToolRun missing = Repair(fs::path(pattern) / "none.avi");
    EXPECT_EQ(1, missing.status);
    EXPECT_NE(std::string::npos, missing.output.find("No such file")) << missing.output;
    fs::remove_all(pattern);
}

// --- Key frames without an index ---

struct KeyFrameCase {
    const char* name;
    const char* codec;
    std::vector<std::uint8_t> frame;
    std::optional<bool> key;
};
void PrintTo(const KeyFrameCase& c, std::ostream* out) { *out << c.name; }

class KeyFrameRules : public testing::TestWithParam<KeyFrameCase> {};

TEST_P(KeyFrameRules, ReadThePictureType) {
    const KeyFrameCase& c = GetParam();
    std::uint32_t code = 0;
    std::memcpy(&code, c.codec, sizeof code);
    EXPECT_EQ(c.key, qdmedia::IsKeyFrame(qdmedia::KeyFrameRuleFor(code, 0), c.frame));
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, KeyFrameRules,
    testing::Values(
        KeyFrameCase{"Yuy2", "YUY2", {1, 2, 3}, true}, KeyFrameCase{"Mjpeg", "MJPG", {0xFF, 0xD8}, true},
        KeyFrameCase{"H264Idr", "H264", {0, 0, 0, 1, 0x67, 0x42, 0, 0, 1, 0x68, 0xCE, 0, 0, 1, 0x65, 0x88}, true},
        KeyFrameCase{"H264Predicted", "x264", {0, 0, 0, 1, 0x09, 0x10, 0, 0, 1, 0x41, 0x9A}, false},
        KeyFrameCase{"H264WithoutStartCodes", "avc1", {0, 0, 0, 5, 0x65, 0x88, 0x80, 0x40, 0x00}, std::nullopt},
        KeyFrameCase{"Mpeg4Intra", "XVID", {0, 0, 1, 0xB0, 0x01, 0, 0, 1, 0xB6, 0x10}, true},
        KeyFrameCase{"Mpeg4Predicted", "DX50", {0, 0, 1, 0xB6, 0x51}, false},
        KeyFrameCase{"UnknownCodec", "VP80", {0x9D, 0x01, 0x2A}, std::nullopt}),
    [](const testing::TestParamInfo<KeyFrameCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace talvinmux::test

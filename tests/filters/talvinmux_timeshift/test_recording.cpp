#include "tests/filters/talvinmux_timeshift/test_recording.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace talvinmux::test {

namespace {

constexpr uint32_t kPayloadSize = 24;  // stream, number, start, and padding that makes sizes differ from headers

void PutLe(uint8_t* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* in, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t{in[i]} << (8 * i);
    return value;
}

}  // namespace

Payload ReadPayload(const std::vector<uint8_t>& data) {
    if (data.size() != kPayloadSize) throw std::runtime_error("delivered frame has the wrong size");
    return Payload{GetLe(data.data(), 4) == 0 ? StreamKind::Video : StreamKind::Audio,
                   static_cast<uint32_t>(GetLe(data.data() + 4, 4)), static_cast<int64_t>(GetLe(data.data() + 8, 8))};
}

TestRecording::TestRecording(FrameIndex& index, std::filesystem::path directory)
    : index_(index), directory_(std::move(directory)) {
    OpenPiece();
}

std::filesystem::path TestRecording::PiecePath(uint32_t piece) const {
    char name[32];
    std::snprintf(name, sizeof name, "shift%03u.avi", piece);
    return directory_ / name;
}

void TestRecording::OpenPiece() {
    file_ = std::ofstream(PiecePath(piece_), std::ios::binary | std::ios::trunc);
    if (!file_) throw std::runtime_error("cannot create " + PiecePath(piece_).string());
    written_ = 0;
    index_.SetPiecePath(piece_, PiecePath(piece_).string());
}

void TestRecording::StartNextPiece() {
    file_.close();
    ++piece_;
    OpenPiece();
}

void TestRecording::Write(StreamKind stream, uint32_t number, int64_t start, int64_t stop, bool keyFrame) {
    uint8_t chunk[8 + kPayloadSize] = {};
    std::memcpy(chunk, stream == StreamKind::Video ? "00dc" : "01wb", 4);
    PutLe(chunk + 4, kPayloadSize, 4);
    PutLe(chunk + 8, stream == StreamKind::Video ? 0 : 1, 4);
    PutLe(chunk + 12, number, 4);
    PutLe(chunk + 16, static_cast<uint64_t>(start), 8);
    file_.write(reinterpret_cast<const char*>(chunk), sizeof chunk);
    file_.flush();
    if (!file_) throw std::runtime_error("cannot write a test chunk");
    index_.Append(WrittenFrame{stream, piece_, written_ + 8, kPayloadSize, start, stop, keyFrame});
    written_ += sizeof chunk;
}

void TestRecording::WriteVideo(int64_t start, int64_t stop, bool keyFrame) {
    Write(StreamKind::Video, videoNumber_++, start, stop, keyFrame);
}

void TestRecording::WriteEmptyVideo(int64_t start, int64_t stop) {
    const uint8_t header[8] = {'0', '0', 'd', 'c', 0, 0, 0, 0};
    file_.write(reinterpret_cast<const char*>(header), sizeof header);
    file_.flush();
    if (!file_) throw std::runtime_error("cannot write a test chunk");
    index_.Append(WrittenFrame{StreamKind::Video, piece_, written_ + 8, 0, start, stop, false});
    written_ += sizeof header;
    ++videoNumber_;
}

void TestRecording::WriteAudio(int64_t start, int64_t stop) { Write(StreamKind::Audio, audioNumber_++, start, stop, true); }

void TestRecording::WriteVideoFrames(int64_t first, int64_t last, int keyInterval) {
    for (int64_t frame = first; frame < last; ++frame)
        WriteVideo(VideoTime(frame), VideoTime(frame + 1), frame % keyInterval == 0);
}

void TestRecording::WriteAudioChunks(int64_t from, int64_t to) {
    for (int64_t start = from; start < to; start += kSecond / 10) WriteAudio(start, std::min(start + kSecond / 10, to));
}

}  // namespace talvinmux::test

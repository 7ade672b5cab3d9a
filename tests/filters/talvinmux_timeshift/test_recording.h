// A small writer for the time-shift tests: appends chunks (an 8-byte header and a payload that
// names the frame) to numbered piece files in a directory and indexes each one after writing
// it, as the multiplexer does. Payloads let a test check that each delivered frame's bytes were
// read from the right place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "filters/talvinmux/timeshift/frame_index.h"

namespace talvinmux::test {

inline constexpr int64_t kSecond = 10'000'000;

// 30 frames per second with exact times: frame n starts at n / 30 s.
inline int64_t VideoTime(int64_t frame) { return frame * kSecond / 30; }

struct Payload {
    StreamKind stream;
    uint32_t number;  // the frame's number in its stream, from 0
    int64_t start;    // its stream time as written
};

Payload ReadPayload(const std::vector<uint8_t>& data);

class TestRecording {
public:
    TestRecording(FrameIndex& index, std::filesystem::path directory);

    void WriteVideo(int64_t start, int64_t stop, bool keyFrame);
    void WriteAudio(int64_t start, int64_t stop);
    // A chunk without data, as a writer repeats the previous frame.
    void WriteEmptyVideo(int64_t start, int64_t stop);
    // Writes video frames `first` to `last` - 1 at 30 fps; every `keyInterval`-th is a key frame.
    void WriteVideoFrames(int64_t first, int64_t last, int keyInterval = 1);
    // Audio in 100 ms chunks covering [from, to).
    void WriteAudioChunks(int64_t from, int64_t to);
    // Later frames go to the next piece file.
    void StartNextPiece();
    std::filesystem::path PiecePath(uint32_t piece) const;
    uint32_t VideoFramesWritten() const { return videoNumber_; }

private:
    void Write(StreamKind stream, uint32_t number, int64_t start, int64_t stop, bool keyFrame);
    void OpenPiece();

    FrameIndex& index_;
    std::filesystem::path directory_;
    uint32_t piece_ = 0;
    std::ofstream file_;
    uint64_t written_ = 0;
    uint32_t videoNumber_ = 0;
    uint32_t audioNumber_ = 0;
};

}  // namespace talvinmux::test

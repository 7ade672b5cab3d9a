// Where each frame of the recording lies: which file, at which offset, with which times. The
// writer appends to it as it writes; playback reads it while the recording goes on.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace talvinmux {

enum class StreamKind { Video, Audio };

struct WrittenFrame {
    StreamKind stream;
    uint32_t piece;   // which output file (0 for a single file)
    uint64_t offset;  // file offset of the chunk's data bytes (after its 8-byte chunk header)
    uint32_t size;    // data bytes
    int64_t start;    // stream time in 100 ns since the recording began
    int64_t stop;
    bool keyFrame;
};

// Thread-safe: the writer appends, the player reads.
class FrameIndex {
public:
    void SetPiecePath(uint32_t piece, std::string path);  // before the piece's first Append
    void Append(const WrittenFrame& frame);               // after the bytes are written

    std::string PiecePath(uint32_t piece) const;
    std::size_t Count(StreamKind stream) const;
    // The frame at `position` of `stream`, in the order appended; false past the end.
    bool At(StreamKind stream, std::size_t position, WrittenFrame* frame) const;

private:
    mutable std::mutex lock_;
    std::map<uint32_t, std::string> paths_;
    std::vector<WrittenFrame> video_, audio_;
};

}  // namespace talvinmux

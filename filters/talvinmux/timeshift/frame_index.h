// Where every frame of a recording lies on disk, kept while the recording is written, so that
// time-shift playback can read any frame back from the files.
//
// The index holds positions only (32 bytes per frame plus 4 per key frame), never frame data:
// ten hours of 30 fps video take about 35 MB. It is thread-safe: the writer appends while the
// player looks frames up. Lookups are binary searches, so their cost does not grow with the
// length of the recording.
//
// Each stream's frames are kept in the order of their start times. A frame that starts before
// the previous frame of its stream (a source that stepped back) is indexed at that previous
// start, so the order holds and the frame is still played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace talvinmux {

enum class StreamKind { Video, Audio };

struct WrittenFrame {
    StreamKind stream;
    uint32_t piece;    // which output file (0 for a single file); FrameIndex knows its path
    uint64_t offset;   // file offset of the chunk's data bytes (after its 8-byte chunk header)
    uint32_t size;     // data bytes
    int64_t start;     // stream time in 100 ns since the recording began
    int64_t stop;
    bool keyFrame;
};

// One indexed frame as a lookup returns it; `position` is its place in its stream (0 first).
struct IndexedFrame {
    StreamKind stream;
    std::size_t position;
    uint32_t piece;
    uint64_t offset;
    uint32_t size;
    int64_t start;
    int64_t stop;
    bool keyFrame;
};

class FrameIndex {
public:
    FrameIndex() = default;
    FrameIndex(const FrameIndex&) = delete;
    FrameIndex& operator=(const FrameIndex&) = delete;

    void SetPiecePath(uint32_t piece, std::string path);  // before the piece's first Append
    void Append(const WrittenFrame& frame);                 // after the bytes are written
    // The path given for `piece`, empty when none was.
    std::string PiecePath(uint32_t piece) const;

    std::size_t Count(StreamKind stream) const;
    bool Empty() const;
    std::optional<IndexedFrame> At(StreamKind stream, std::size_t position) const;
    // The last frame starting at or before `time`; nothing when all start after it.
    std::optional<std::size_t> LastStartingAtOrBefore(StreamKind stream, int64_t time) const;
    // The first frame starting at or after `time`; nothing when none does (yet).
    std::optional<std::size_t> FirstStartingAtOrAfter(StreamKind stream, int64_t time) const;
    // The last key frame at or before `position`.
    std::optional<std::size_t> KeyAtOrBefore(StreamKind stream, std::size_t position) const;
    // The newest frame's stop over both streams: the recorded length. 0 when nothing is indexed.
    int64_t Length() const;

    // Called on the appending thread after every Append, outside the index's lock; the player
    // uses it to wake when the recording grows. One listener; an empty function removes it.
    void SetGrowthListener(std::function<void()> listener);

private:
    struct Entry {
        uint64_t offset;
        int64_t start;
        uint32_t size;
        uint32_t duration;  // stop - start, in 100 ns
        uint32_t piece : 31;
        uint32_t keyFrame : 1;
    };
    struct Stream {
        std::deque<Entry> entries;
        std::deque<uint32_t> keyPositions;  // ascending
    };

    const Stream& StreamOf(StreamKind kind) const { return kind == StreamKind::Video ? video_ : audio_; }
    Stream& StreamOf(StreamKind kind) { return kind == StreamKind::Video ? video_ : audio_; }
    static IndexedFrame Expand(StreamKind kind, std::size_t position, const Entry& entry);

    mutable std::mutex mutex_;
    Stream video_;
    Stream audio_;
    std::vector<std::string> piecePaths_;

    std::mutex listenerMutex_;
    std::function<void()> growthListener_;
};

}  // namespace talvinmux

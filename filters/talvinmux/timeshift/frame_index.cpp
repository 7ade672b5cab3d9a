#include "filters/talvinmux/timeshift/frame_index.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace talvinmux {

namespace {

uint32_t DurationOf(int64_t start, int64_t stop) {
    if (stop <= start) return 0;
    const auto duration = static_cast<uint64_t>(stop - start);
    return static_cast<uint32_t>(std::min<uint64_t>(duration, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

void FrameIndex::SetPiecePath(uint32_t piece, std::string path) {
    std::lock_guard lock(mutex_);
    if (piecePaths_.size() <= piece) piecePaths_.resize(std::size_t{piece} + 1);
    piecePaths_[piece] = std::move(path);
}

std::string FrameIndex::PiecePath(uint32_t piece) const {
    std::lock_guard lock(mutex_);
    return piece < piecePaths_.size() ? piecePaths_[piece] : std::string();
}

void FrameIndex::Append(const WrittenFrame& frame) {
    {
        std::lock_guard lock(mutex_);
        Stream& stream = StreamOf(frame.stream);
        const int64_t start = stream.entries.empty() ? frame.start : std::max(frame.start, stream.entries.back().start);
        const auto position = static_cast<uint32_t>(stream.entries.size());
        stream.entries.push_back(Entry{frame.offset, start, frame.size, DurationOf(start, frame.stop),
                                       frame.piece & 0x7FFFFFFFu, frame.keyFrame ? 1u : 0u});
        if (frame.keyFrame) stream.keyPositions.push_back(position);
    }
    std::lock_guard lock(listenerMutex_);
    if (growthListener_) growthListener_();
}

void FrameIndex::SetGrowthListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    growthListener_ = std::move(listener);
}

std::size_t FrameIndex::Count(StreamKind stream) const {
    std::lock_guard lock(mutex_);
    return StreamOf(stream).entries.size();
}

bool FrameIndex::Empty() const {
    std::lock_guard lock(mutex_);
    return video_.entries.empty() && audio_.entries.empty();
}

IndexedFrame FrameIndex::Expand(StreamKind kind, std::size_t position, const Entry& entry) {
    return IndexedFrame{kind,       position, entry.piece, entry.offset, entry.size, entry.start,
                        entry.start + entry.duration, entry.keyFrame != 0};
}

std::optional<IndexedFrame> FrameIndex::At(StreamKind stream, std::size_t position) const {
    std::lock_guard lock(mutex_);
    const auto& entries = StreamOf(stream).entries;
    if (position >= entries.size()) return std::nullopt;
    return Expand(stream, position, entries[position]);
}

std::optional<std::size_t> FrameIndex::LastStartingAtOrBefore(StreamKind stream, int64_t time) const {
    std::lock_guard lock(mutex_);
    const auto& entries = StreamOf(stream).entries;
    const auto after = std::upper_bound(entries.begin(), entries.end(), time,
                                        [](int64_t t, const Entry& entry) { return t < entry.start; });
    if (after == entries.begin()) return std::nullopt;
    return static_cast<std::size_t>(after - entries.begin()) - 1;
}

std::optional<std::size_t> FrameIndex::FirstStartingAtOrAfter(StreamKind stream, int64_t time) const {
    std::lock_guard lock(mutex_);
    const auto& entries = StreamOf(stream).entries;
    const auto first = std::lower_bound(entries.begin(), entries.end(), time,
                                        [](const Entry& entry, int64_t t) { return entry.start < t; });
    if (first == entries.end()) return std::nullopt;
    return static_cast<std::size_t>(first - entries.begin());
}

std::optional<std::size_t> FrameIndex::KeyAtOrBefore(StreamKind stream, std::size_t position) const {
    std::lock_guard lock(mutex_);
    const auto& keys = StreamOf(stream).keyPositions;
    const auto after = std::upper_bound(keys.begin(), keys.end(), position);
    if (after == keys.begin()) return std::nullopt;
    return std::size_t{*(after - 1)};
}

int64_t FrameIndex::Length() const {
    std::lock_guard lock(mutex_);
    int64_t length = 0;
    for (const Stream* stream : {&video_, &audio_}) {
        if (!stream->entries.empty()) {
            const Entry& last = stream->entries.back();
            length = std::max(length, last.start + int64_t{last.duration});
        }
    }
    return length;
}

}  // namespace talvinmux

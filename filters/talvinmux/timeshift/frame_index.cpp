#include "filters/talvinmux/timeshift/frame_index.h"

namespace talvinmux {

void FrameIndex::SetPiecePath(uint32_t piece, std::string path) {
    std::lock_guard lock(lock_);
    paths_[piece] = std::move(path);
}

void FrameIndex::Append(const WrittenFrame& frame) {
    std::lock_guard lock(lock_);
    (frame.stream == StreamKind::Video ? video_ : audio_).push_back(frame);
}

std::string FrameIndex::PiecePath(uint32_t piece) const {
    std::lock_guard lock(lock_);
    const auto it = paths_.find(piece);
    return it == paths_.end() ? std::string() : it->second;
}

std::size_t FrameIndex::Count(StreamKind stream) const {
    std::lock_guard lock(lock_);
    return (stream == StreamKind::Video ? video_ : audio_).size();
}

bool FrameIndex::At(StreamKind stream, std::size_t position, WrittenFrame* frame) const {
    std::lock_guard lock(lock_);
    const auto& frames = stream == StreamKind::Video ? video_ : audio_;
    if (position >= frames.size()) return false;
    *frame = frames[position];
    return true;
}

}  // namespace talvinmux

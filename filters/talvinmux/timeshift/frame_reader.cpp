#include "filters/talvinmux/timeshift/frame_reader.h"

#include <algorithm>

namespace talvinmux {

namespace {
constexpr std::size_t kOpenPieces = 2;
}

const ReadOnlyFile* FrameReader::FileFor(uint32_t piece) {
    auto cached = std::find_if(open_.begin(), open_.end(), [piece](const auto& entry) { return entry.first == piece; });
    if (cached != open_.end()) {
        std::rotate(open_.begin(), cached, cached + 1);
        return &open_.front().second;
    }
    const std::string path = index_.PiecePath(piece);
    if (path.empty()) return nullptr;
    ReadOnlyFile file;
    if (file.Open(path) != 0) return nullptr;
    if (open_.size() == kOpenPieces) open_.pop_back();
    open_.emplace(open_.begin(), piece, std::move(file));
    return &open_.front().second;
}

std::optional<std::vector<uint8_t>> FrameReader::Read(const IndexedFrame& frame) {
    const ReadOnlyFile* file = FileFor(frame.piece);
    if (!file) return std::nullopt;
    std::vector<uint8_t> data(frame.size);
    if (!file->ReadExactlyAt(frame.offset, data.data(), data.size())) return std::nullopt;
    return data;
}

}  // namespace talvinmux

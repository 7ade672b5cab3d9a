// Reads indexed frames back from the recording's piece files. The two most recently used
// pieces stay open (playback crosses a piece boundary in either direction); others are opened
// when a frame in them is asked for. Not thread-safe: the player's thread owns it.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "filters/talvinmux/timeshift/frame_index.h"
#include "platform/system/read_only_file.h"

namespace talvinmux {

class FrameReader {
public:
    explicit FrameReader(const FrameIndex& index) : index_(index) {}

    // The frame's data bytes; nothing when its piece cannot be opened or ends before them.
    std::optional<std::vector<uint8_t>> Read(const IndexedFrame& frame);

private:
    const ReadOnlyFile* FileFor(uint32_t piece);

    const FrameIndex& index_;
    std::vector<std::pair<uint32_t, ReadOnlyFile>> open_;  // most recently used first
};

}  // namespace talvinmux

// EarlySamples: copies of the samples that reach the multiplexer before its files can open.
//
// In a plain pipeline each input learns its type from the caps that travel just ahead of its
// own first buffer, and the two inputs run on streaming threads of their own: the video can be
// well under way before the audio input knows what it carries. The files need both types, so
// what arrives meanwhile is held here and written, in arrival order, as soon as they open: the
// recording starts at its first frame.
//
// The copies are bounded by bytes (kMostEarlyBytes, 64 MiB: about three seconds of 640x480
// YUY2 video with its sound). Past the bound the oldest copies are let go, so a file whose
// other input is very late starts later, never with a hole after its first frames; how many
// were let go is counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/com/types.h"

namespace talvinmux {

// What the multiplexer reads from an incoming sample.
struct InputSample {
    int input = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    bool hasTime = false;
    REFERENCE_TIME start = 0, stop = 0;
    bool hasMediaTime = false;
    LONGLONG mediaStart = 0;
    bool syncPoint = false;
};

class EarlySamples {
public:
    static constexpr std::size_t kMostEarlyBytes = std::size_t{64} << 20;

    explicit EarlySamples(std::size_t mostBytes = kMostEarlyBytes) : mostBytes_(mostBytes) {}

    // Keeps a copy of `sample` (its bytes included), letting the oldest go past the bound.
    void Hold(const InputSample& sample);
    // Hands every held sample to `write` in arrival order, then forgets them all.
    template <typename Write>
    void Release(Write write) {
        for (Held& held : held_) {
            held.sample.data = held.bytes.data();
            write(static_cast<const InputSample&>(held.sample));
        }
        Clear();
    }
    void Clear();

    std::size_t Count() const { return held_.size(); }
    std::size_t Bytes() const { return bytes_; }
    std::uint64_t LetGo() const { return letGo_; }

private:
    struct Held {
        InputSample sample;
        std::vector<std::uint8_t> bytes;
    };

    std::size_t mostBytes_;
    std::deque<Held> held_;
    std::size_t bytes_ = 0;
    std::uint64_t letGo_ = 0;
};

}  // namespace talvinmux

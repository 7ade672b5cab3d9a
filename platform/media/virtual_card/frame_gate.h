// Decides the fate of each frame a virtual source produces: numbering (media time), the
// test controls that drop frames, jitter time stamps or make the device vanish, and the
// dropped/delivered counts the capture pin reports. Thread-safe: frames pass on the
// streaming thread while controls and counters are used from others.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <vector>

namespace media {

struct FrameVerdict {
    bool deliver = false;
    std::uint64_t frameNumber = 0;  // counts every captured frame, dropped ones included
    std::int64_t pts = -1;          // nanoseconds; -1 = none
    bool stampNumber = false;       // write frameNumber into the frame's first bytes
};

struct FrameCounts {
    std::int64_t delivered = 0;
    std::int64_t dropped = 0;
    std::int64_t deliveredBytes = 0;
};

class FrameGate {
public:
    static constexpr std::size_t kDroppedHistory = 256;

    explicit FrameGate(std::uint32_t seed = std::random_device{}());

    // Drops the next `frames` frames (added to any drop still pending).
    void DropFrames(std::int64_t frames);
    // Adds a uniformly random offset in [-maxNs, +maxNs] to each time stamp; 0 turns it off.
    // Stamps stay strictly increasing and never negative.
    void SetJitter(std::int64_t maxNs);
    // From the next frame on, time stamps advance at `rate` times the source's own pace (1 is
    // normal): at 0.99 the stamps fall 1% behind the data, as when the device's sample clock
    // runs 1% fast. Rates outside (0.5, 2) are taken as 1.
    void SetClockRate(double rate);
    // Writes each frame's number into its first eight bytes (little-endian), so a test can tell
    // frames apart by their contents wherever they end up (a file, a playback).
    void SetStampNumbers(bool stamp);
    // The device is gone: no frame passes from now on.
    void Disappear();
    bool Disappeared() const;

    // Called for each frame, in order. `bytes` counts towards the average frame size.
    FrameVerdict Next(std::int64_t pts, std::int64_t bytes);
    // A new stream starts: numbering begins again (the device stays as it was). The delivered
    // and dropped counts go on over the device's life, as a capture driver's do: the stream
    // start arrives on the streaming thread some time after the graph runs, so counts that
    // began again there would make a count taken at the run (a recording's baseline) wrong.
    void Restart();

    FrameCounts Counts() const;
    // Frame numbers of the most recent dropped frames, oldest first (at most kDroppedHistory).
    std::vector<std::uint64_t> DroppedFrameNumbers() const;

private:
    std::int64_t Jittered(std::int64_t pts);

    mutable std::mutex mutex_;
    std::mt19937 random_;
    std::int64_t pendingDrops_ = 0;
    std::int64_t jitterNs_ = 0;
    double clockRate_ = 1.0;
    std::int64_t rateOrigin_ = -1;  // the stamp the rate counts from
    bool disappeared_ = false;
    bool stampNumbers_ = false;
    std::uint64_t nextFrame_ = 0;
    std::int64_t lastPts_ = -1;
    FrameCounts counts_;
    std::deque<std::uint64_t> droppedNumbers_;
};

}  // namespace media

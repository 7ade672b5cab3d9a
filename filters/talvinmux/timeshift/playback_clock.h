// The time source that paces time-shift playback. Production uses the steady clock; tests use
// a clock they move by hand, so pacing is exact and runs as fast as the machine allows.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>

namespace talvinmux {

class PlaybackClock {
public:
    static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

    virtual ~PlaybackClock() = default;
    // Monotonic time in 100 ns units from an arbitrary origin.
    virtual int64_t Now() const = 0;
    // Called with `lock` held: releases it and blocks until Now() reaches `deadline` (kNever:
    // no deadline) or `wake` is notified, then takes it again. May return early; the caller
    // looks at its state again after every return.
    virtual void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, int64_t deadline) = 0;
};

class SteadyPlaybackClock final : public PlaybackClock {
public:
    int64_t Now() const override;
    void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, int64_t deadline) override;
};

}  // namespace talvinmux

#include "filters/talvinmux/timeshift/playback_clock.h"

#include <chrono>

namespace talvinmux {

namespace {
using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
}

int64_t SteadyPlaybackClock::Now() const {
    return std::chrono::duration_cast<Ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void SteadyPlaybackClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                                    int64_t deadline) {
    if (deadline == kNever) {
        wake.wait(lock);
        return;
    }
    const auto since = std::chrono::duration_cast<std::chrono::steady_clock::duration>(Ticks(deadline));
    wake.wait_until(lock, std::chrono::steady_clock::time_point(since));
}

}  // namespace talvinmux

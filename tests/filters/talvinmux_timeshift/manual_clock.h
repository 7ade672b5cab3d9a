// A playback clock that tests move by hand. Time runs freely up to a limit the test raises
// with RunFor: a player waiting for a deadline within the limit gets it at once, so playback
// is exact and fast; RunFor returns once the player blocks beyond the limit (or waits with no
// deadline), so the test then sees everything that was due.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "filters/talvinmux/timeshift/playback_clock.h"

namespace talvinmux::test {

class ManualClock final : public PlaybackClock {
public:
    int64_t Now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }

    void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, int64_t deadline) override {
        {
            std::lock_guard guard(mutex_);
            if (deadline <= limit_) {
                now_ = std::max(now_, deadline);
                return;
            }
            now_ = limit_;
            waiter_ = {&wake, lock.mutex()};
            blocked_ = true;
            blockedChanged_.notify_all();
        }
        wake.wait(lock);
        std::lock_guard guard(mutex_);
        blocked_ = false;
        waiter_ = {};
    }

    // Lets `duration` (100 ns units) of playback time pass; false when the player did not
    // settle within a few real seconds (it is stuck or busy elsewhere).
    bool RunFor(int64_t duration) {
        Waiter waiter;
        {
            std::lock_guard guard(mutex_);
            limit_ += duration;
            blocked_ = false;
            waiter = waiter_;
        }
        if (waiter.wake) {
            std::lock_guard playerLock(*waiter.mutex);
            waiter.wake->notify_all();
        }
        std::unique_lock guard(mutex_);
        return blockedChanged_.wait_for(guard, std::chrono::seconds(10), [this] { return blocked_; });
    }

    bool Settle() { return RunFor(0); }

private:
    struct Waiter {
        std::condition_variable* wake = nullptr;
        std::mutex* mutex = nullptr;
    };

    mutable std::mutex mutex_;
    std::condition_variable blockedChanged_;
    int64_t now_ = 0;
    int64_t limit_ = 0;
    bool blocked_ = false;
    Waiter waiter_;
};

}  // namespace talvinmux::test

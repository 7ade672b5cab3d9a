#include "platform/system/multimedia_timer.h"

#include <time.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace {

constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

// One counter per period value in use; begin/end calls must pair, as on the platform.
std::array<std::atomic<int>, 1001> periodsInUse{};

bool ValidPeriod(UINT period) { return period >= kPeriodMin && period <= kPeriodMax; }

std::atomic<int>& CounterFor(UINT period) { return periodsInUse[period < 1000 ? period : 1000]; }

}  // namespace

DWORD timeGetTime() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);  // wraps at 2^32 like the platform's counter
}

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size) {
    if (!caps || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    caps->wPeriodMin = kPeriodMin;
    caps->wPeriodMax = kPeriodMax;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period) {
    if (!ValidPeriod(period)) return TIMERR_NOCANDO;
    CounterFor(period).fetch_add(1);
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    if (!ValidPeriod(period)) return TIMERR_NOCANDO;
    auto& counter = CounterFor(period);
    int current = counter.load();
    do {
        if (current == 0) return TIMERR_NOCANDO;  // no matching timeBeginPeriod
    } while (!counter.compare_exchange_weak(current, current - 1));
    return TIMERR_NOERROR;
}

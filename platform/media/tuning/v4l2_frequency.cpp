#include "platform/media/tuning/v4l2_frequency.h"

#include <algorithm>
#include <limits>

namespace media {
namespace {

// One unit is 62.5 Hz or 62.5 kHz: 125 / 2 and 125000 / 2.
std::int64_t UnitTimesTwo(bool lowUnits) { return lowUnits ? 125 : 125'000; }

}  // namespace

std::uint32_t HzToV4l2Units(LONG hz, bool lowUnits) {
    if (hz <= 0) return 0;
    const std::int64_t step = UnitTimesTwo(lowUnits);
    return static_cast<std::uint32_t>((2 * static_cast<std::int64_t>(hz) + step / 2) / step);
}

LONG V4l2UnitsToHz(std::uint32_t units, bool lowUnits) {
    const std::int64_t hz = (static_cast<std::int64_t>(units) * UnitTimesTwo(lowUnits) + 1) / 2;
    return static_cast<LONG>(std::min<std::int64_t>(hz, std::numeric_limits<LONG>::max()));
}

}  // namespace media

// V4L2 expresses tuner frequencies in units of 62.5 kHz, or of 62.5 Hz for a tuner that
// reports V4L2_TUNER_CAP_LOW; these convert between those units and Hz, to the nearest unit.
#pragma once

#include <cstdint>

#include "platform/com/types.h"

namespace media {

std::uint32_t HzToV4l2Units(LONG hz, bool lowUnits);
// Saturates at the largest LONG (a frequency above 2.1 GHz in 62.5 kHz units).
LONG V4l2UnitsToHz(std::uint32_t units, bool lowUnits);

}  // namespace media

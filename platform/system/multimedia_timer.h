// The multimedia timer: milliseconds since an arbitrary start, wrapping at 2^32.
#pragma once

#include "platform/com/types.h"

using MMRESULT = UINT;
inline constexpr MMRESULT TIMERR_NOERROR = 0;
inline constexpr MMRESULT TIMERR_NOCANDO = 97;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};

DWORD timeGetTime();
MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size);
// The monotonic clock already has nanosecond resolution, so periods only are checked and counted.
MMRESULT timeBeginPeriod(UINT periodMs);
MMRESULT timeEndPeriod(UINT periodMs);

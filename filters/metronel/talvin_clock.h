// CTalvinClock: a reference clock counting from its creation on the millisecond tick
// counter, whose whole count can be scaled by a speed factor and moved by a delta. The
// program sets the speed right after creating the clock; a change while it runs rescales the
// whole count, and a jump back is hidden by the clock's monotonic clamp.
#pragma once

#include <atomic>

#include "common/module_interfaces.h"
#include "platform/media/base/reference_clock.h"
#include "platform/media/interfaces/dv_splitter.h"

class CTalvinClock final : public ComExtend<CBaseReferenceClock, IAMClockAdjust, IPersist, ITalvinClock> {
public:
    // A delta above this (0.5 ms) with advises pending wakes the advise thread.
    static constexpr REFERENCE_TIME kWakeDelta = 5000;

    static IUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
    // `ticks` replaces timeGetTime (tests); *hr is E_FAIL when the advise thread failed.
    CTalvinClock(HRESULT* hr, TickSource ticks = nullptr);

    // IAMClockAdjust
    HRESULT SetClockDelta(REFERENCE_TIME rtDelta) override;
    // IPersist
    HRESULT GetClassID(CLSID* classId) override;
    // ITalvinClock
    HRESULT put_Speed(double dSpeed, BOOL bEnable) override;
    HRESULT get_Speed(double* pdSpeed, BOOL* pbEnable) override;

protected:
    ~CTalvinClock() override;
    REFERENCE_TIME GetPrivateTime() override;

private:
    REFERENCE_TIME m_rtRawTime = 0;
    DWORD m_dwPrevTick = 0;
    REFERENCE_TIME m_rtScaledTime = 0;
    // Set without the clock lock from any thread, read at the next time computation.
    std::atomic<double> m_dSpeed{1.0};
    std::atomic<BOOL> m_bSpeedEnabled{FALSE};
};

// The scaled time: raw × speed in double precision, truncated toward zero. Products beyond
// the 64-bit range saturate and a product that is not a number gives 0.
REFERENCE_TIME ScaleTime(REFERENCE_TIME raw, double speed);

#include "filters/metronel/talvin_clock.h"

#include <cmath>
#include <new>

#include "filters/metronel/module_objects.h"
#include "platform/media/base/sync_handles.h"

REFERENCE_TIME ScaleTime(REFERENCE_TIME raw, double speed) {
    const double product = static_cast<double>(raw) * speed;
    if (std::isnan(product)) return 0;
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (product >= kLimit) return MAXLONGLONG;
    if (product < -kLimit) return -MAXLONGLONG - 1;
    return static_cast<REFERENCE_TIME>(product);  // truncates toward zero
}

IUnknown* CTalvinClock::CreateInstance(IUnknown* /*outer*/, HRESULT* hr) {
    HRESULT created = S_OK;
    auto* clock = new (std::nothrow) CTalvinClock(&created);
    if (!clock) {
        if (hr) *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    if (FAILED(created)) {
        clock->Release();
        if (hr) *hr = created;
        return nullptr;
    }
    if (hr) *hr = S_OK;
    return clock->GetUnknown();
}

CTalvinClock::CTalvinClock(HRESULT* hr, TickSource ticks) : ComExtend(hr, std::move(ticks)) {
    std::lock_guard lock(m_Lock);
    m_dwPrevTick = Ticks();
    TrackWith(&MetronelObjects());
}

CTalvinClock::~CTalvinClock() { StopAdviseThread(); }

REFERENCE_TIME CTalvinClock::GetPrivateTime() {
    const DWORD now = Ticks();
    // Modulo 2^32 and read as signed, so one wrap of the tick counter passes unnoticed.
    const auto elapsedMs = static_cast<std::int32_t>(now - m_dwPrevTick);
    m_rtRawTime += static_cast<REFERENCE_TIME>(elapsedMs) * 10000;
    m_rtScaledTime = m_bSpeedEnabled.load() ? ScaleTime(m_rtRawTime, m_dSpeed.load()) : m_rtRawTime;
    m_dwPrevTick = now;
    return m_rtScaledTime;
}

HRESULT CTalvinClock::SetClockDelta(REFERENCE_TIME rtDelta) {
    std::lock_guard lock(m_Lock);
    m_rtRawTime = static_cast<REFERENCE_TIME>(static_cast<std::uint64_t>(m_rtRawTime) + static_cast<std::uint64_t>(rtDelta));
    CAMSchedule* schedule = GetSchedule();
    if (rtDelta > kWakeDelta && schedule && schedule->GetAdviseCount() > 0) SetEventHandle(schedule->GetEvent());
    return S_OK;
}

HRESULT CTalvinClock::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = CLSID_TalvinClock;
    return S_OK;
}

HRESULT CTalvinClock::put_Speed(double dSpeed, BOOL bEnable) {
    m_dSpeed.store(dSpeed);
    m_bSpeedEnabled.store(bEnable);
    return S_OK;
}

HRESULT CTalvinClock::get_Speed(double* pdSpeed, BOOL* pbEnable) {
    if (!pdSpeed || !pbEnable) return E_POINTER;
    *pdSpeed = m_dSpeed.load();
    *pbEnable = m_bSpeedEnabled.load();
    return S_OK;
}

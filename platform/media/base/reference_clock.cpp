#include "platform/media/base/reference_clock.h"

#include <atomic>
#include <system_error>

#include "platform/media/base/sync_handles.h"
#include "platform/system/multimedia_timer.h"

namespace {

constexpr REFERENCE_TIME kAdviseLead = 10000;  // fire entries up to 1 ms early
std::atomic<bool> g_failNextThread{false};

DWORD SystemTicks() { return timeGetTime(); }

UINT MinimumTimerPeriod() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return 1;
    return caps.wPeriodMin;
}

}  // namespace

void CBaseReferenceClock::FailNextAdviseThreadForTesting() { g_failNextThread.store(true); }

CBaseReferenceClock::CBaseReferenceClock(HRESULT* hr, TickSource ticks)
    : m_Ticks(ticks ? std::move(ticks) : TickSource(SystemTicks)) {
    m_dwPrevSystemTime = m_Ticks();
    m_pSchedule = std::make_unique<CAMSchedule>(CreateEventHandle(false, false));
    m_TimerResolution = MinimumTimerPeriod();
    timeBeginPeriod(m_TimerResolution);
    try {
        if (g_failNextThread.exchange(false)) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        m_AdviseThread = std::thread([this] { AdviseThread(); });
        if (hr) *hr = S_OK;
    } catch (const std::system_error&) {
        m_pSchedule.reset();
        if (hr) *hr = E_FAIL;
    }
}

CBaseReferenceClock::~CBaseReferenceClock() {
    timeEndPeriod(m_TimerResolution);
    StopAdviseThread();
}

void CBaseReferenceClock::StopAdviseThread() {
    if (!m_AdviseThread.joinable()) return;
    m_bAbort.store(true);
    SetEventHandle(m_pSchedule->GetEvent());
    m_AdviseThread.join();
}

REFERENCE_TIME CBaseReferenceClock::GetPrivateTime() {
    const DWORD now = m_Ticks();
    m_rtPrivateTime += static_cast<REFERENCE_TIME>(static_cast<std::int32_t>(now - m_dwPrevSystemTime)) * 10000;
    m_dwPrevSystemTime = now;
    return m_rtPrivateTime;
}

REFERENCE_TIME CBaseReferenceClock::PrivateTimeLocked() {
    std::lock_guard lock(m_Lock);
    return GetPrivateTime();
}

HRESULT CBaseReferenceClock::GetTime(REFERENCE_TIME* time) {
    if (!time) return E_POINTER;
    std::lock_guard lock(m_Lock);
    const REFERENCE_TIME now = GetPrivateTime();
    HRESULT hr = S_FALSE;
    if (now > m_rtLastGotTime) {
        m_rtLastGotTime = now;
        hr = S_OK;
    }
    *time = m_rtLastGotTime;
    return hr;
}

HRESULT CBaseReferenceClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                                        DWORD_PTR* adviseCookie) {
    if (!adviseCookie) return E_POINTER;
    *adviseCookie = 0;
    // The sum is checked without overflowing: it must be above 0 and below the maximum time.
    REFERENCE_TIME due = 0;
    if (__builtin_add_overflow(baseTime, streamTime, &due) || due <= 0 || due == CAMSchedule::kMaxTime)
        return E_INVALIDARG;
    *adviseCookie = m_pSchedule->AddAdvisePacket(due, 0, event, false);
    return *adviseCookie ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBaseReferenceClock::AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                            HSEMAPHORE semaphore, DWORD_PTR* adviseCookie) {
    if (!adviseCookie) return E_POINTER;
    *adviseCookie = 0;
    if (startTime <= 0 || periodTime <= 0 || startTime == CAMSchedule::kMaxTime) return E_INVALIDARG;
    *adviseCookie = m_pSchedule->AddAdvisePacket(startTime, periodTime, semaphore, true);
    return *adviseCookie ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBaseReferenceClock::Unadvise(DWORD_PTR adviseCookie) { return m_pSchedule->Unadvise(adviseCookie); }

void CBaseReferenceClock::AdviseThread() {
    m_AdvisePriority.store(RaiseCurrentThreadPriority());
    DWORD wait = INFINITE;
    for (;;) {
        WaitForHandle(m_pSchedule->GetEvent(), wait);
        if (m_bAbort.load()) return;
        m_WakeUps.fetch_add(1);
        const REFERENCE_TIME now = PrivateTimeLocked();
        const REFERENCE_TIME next = m_pSchedule->Advise(now + kAdviseLead);
        const REFERENCE_TIME millis = next == CAMSchedule::kMaxTime ? -1 : (next - now) / 10000;
        wait = millis < 0 || millis >= static_cast<REFERENCE_TIME>(INFINITE) ? INFINITE : static_cast<DWORD>(millis);
    }
}

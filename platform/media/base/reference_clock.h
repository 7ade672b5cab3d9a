// CBaseReferenceClock: IReferenceClock on a private time that derived clocks compute, with
// the clock lock, the monotonic clamp of GetTime, the advise schedule and its advise thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/media/base/am_schedule.h"
#include "platform/media/base/thread_priority.h"
#include "platform/media/interfaces/filters.h"

// The millisecond tick counter a clock reads (timeGetTime unless a test injects its own).
using TickSource = std::function<DWORD()>;

class CBaseReferenceClock : public ComObject<IReferenceClock> {
public:
    // *hr receives E_FAIL when the advise thread could not be started (the object must then
    // be released without use). `ticks` defaults to timeGetTime.
    CBaseReferenceClock(HRESULT* hr, TickSource ticks = nullptr);

    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                       DWORD_PTR* adviseCookie) override;
    HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime, HSEMAPHORE semaphore,
                           DWORD_PTR* adviseCookie) override;
    HRESULT Unadvise(DWORD_PTR adviseCookie) override;

    UINT TimerResolution() const { return m_TimerResolution; }
    ThreadPriority AdviseThreadPriority() const { return m_AdvisePriority.load(); }
    CAMSchedule* GetSchedule() { return m_pSchedule.get(); }
    // How often the advise thread has woken up (for tests of the wake-up event).
    long AdviseWakeUps() const { return m_WakeUps.load(); }

    // Test hook: the next clock created fails to start its advise thread.
    static void FailNextAdviseThreadForTesting();

protected:
    ~CBaseReferenceClock() override;

    // The clock's own time in 100 ns units; called under the clock lock. The default counts
    // the tick source since creation.
    virtual REFERENCE_TIME GetPrivateTime();
    DWORD Ticks() const { return m_Ticks(); }
    // Ends the advise thread. A derived clock calls it first in its destructor, so the thread
    // never calls GetPrivateTime on a half-destroyed object; later calls do nothing.
    void StopAdviseThread();

    std::mutex m_Lock;  // the clock lock

private:
    void AdviseThread();
    REFERENCE_TIME PrivateTimeLocked();

    TickSource m_Ticks;
    REFERENCE_TIME m_rtLastGotTime = 0;
    REFERENCE_TIME m_rtPrivateTime = 0;
    DWORD m_dwPrevSystemTime = 0;
    UINT m_TimerResolution = 1;
    std::unique_ptr<CAMSchedule> m_pSchedule;
    std::thread m_AdviseThread;
    std::atomic<bool> m_bAbort{false};
    std::atomic<ThreadPriority> m_AdvisePriority{ThreadPriority::Normal};
    std::atomic<long> m_WakeUps{0};
};

// IReferenceClock over a GstClock: the clock a graph runs on by default (the system clock),
// handed out by GetSyncSource. Advise requests are GStreamer clock waits that set the
// event or release the semaphore (handles of platform/media/base/sync_handles.h).
#pragma once

#include "platform/media/gst.h"

#include <map>
#include <mutex>

#include "platform/com/com_object.h"
#include "platform/media/interfaces/filters.h"

// Answered by every IReferenceClock that wraps a GstClock, so a graph given that clock runs
// its pipeline on the GstClock itself.
struct IGstClock : IUnknown {
    // Borrowed; lives as long as the object.
    virtual _GstClock* GetGstClock() = 0;
};
QD_DECLARE_IID(IGstClock, MakeGuid("6b1f6c0e-3d4a-4f0b-9a41-5c2e7d9b8a12"));

namespace media {

class GstReferenceClock final : public ComObject<IReferenceClock, IGstClock> {
public:
    explicit GstReferenceClock(GstClock* clock);

    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                       DWORD_PTR* adviseCookie) override;
    HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime, HSEMAPHORE semaphore,
                           DWORD_PTR* adviseCookie) override;
    HRESULT Unadvise(DWORD_PTR adviseCookie) override;
    _GstClock* GetGstClock() override { return clock_; }

private:
    ~GstReferenceClock() override;
    HRESULT Schedule(GstClockID id, bool periodic, std::uintptr_t handle, DWORD_PTR* cookie);

    GstClock* clock_;
    std::mutex mutex_;
    std::map<DWORD_PTR, GstClockID> advises_;
    DWORD_PTR nextCookie_ = 1;
};

}  // namespace media

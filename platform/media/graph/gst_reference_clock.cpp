#include "platform/media/graph/gst_reference_clock.h"

#include "platform/media/base/sync_handles.h"

namespace media {

namespace {
struct AdviseTarget {
    bool periodic;
    std::uintptr_t handle;
};

gboolean OnClockDue(GstClock*, GstClockTime, GstClockID, gpointer data) {
    const auto* target = static_cast<const AdviseTarget*>(data);
    if (target->periodic) {
        ReleaseSemaphoreHandle(target->handle, 1, nullptr);
    } else {
        SetEventHandle(target->handle);
    }
    return TRUE;
}

void FreeTarget(gpointer data) { delete static_cast<AdviseTarget*>(data); }
}  // namespace

GstReferenceClock::GstReferenceClock(GstClock* clock) : clock_(GST_CLOCK(gst_object_ref(clock))) {
    TrackWith(&PlatformObjectCounter());
}

GstReferenceClock::~GstReferenceClock() {
    for (auto& [cookie, id] : advises_) {
        gst_clock_id_unschedule(id);
        gst_clock_id_unref(id);
    }
    gst_object_unref(clock_);
}

HRESULT GstReferenceClock::GetTime(REFERENCE_TIME* time) {
    if (!time) return E_POINTER;
    *time = static_cast<REFERENCE_TIME>(gst_clock_get_time(clock_) / 100);
    return S_OK;
}

HRESULT GstReferenceClock::Schedule(GstClockID id, bool periodic, std::uintptr_t handle, DWORD_PTR* cookie) {
    if (!id) return E_INVALIDARG;
    auto* target = new AdviseTarget{periodic, handle};
    if (gst_clock_id_wait_async(id, OnClockDue, target, FreeTarget) != GST_CLOCK_OK) {
        gst_clock_id_unref(id);
        return E_FAIL;
    }
    std::lock_guard lock(mutex_);
    *cookie = nextCookie_++;
    advises_[*cookie] = id;
    return S_OK;
}

HRESULT GstReferenceClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                                      DWORD_PTR* adviseCookie) {
    if (!adviseCookie) return E_POINTER;
    *adviseCookie = 0;
    if (!event || baseTime < 0 || streamTime < 0 || baseTime + streamTime <= 0) return E_INVALIDARG;
    const auto due = static_cast<GstClockTime>(baseTime + streamTime) * 100;
    return Schedule(gst_clock_new_single_shot_id(clock_, due), false, event, adviseCookie);
}

HRESULT GstReferenceClock::AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime, HSEMAPHORE semaphore,
                                          DWORD_PTR* adviseCookie) {
    if (!adviseCookie) return E_POINTER;
    *adviseCookie = 0;
    if (!semaphore || startTime < 0 || periodTime <= 0) return E_INVALIDARG;
    GstClockID id = gst_clock_new_periodic_id(clock_, static_cast<GstClockTime>(startTime) * 100,
                                              static_cast<GstClockTime>(periodTime) * 100);
    return Schedule(id, true, semaphore, adviseCookie);
}

HRESULT GstReferenceClock::Unadvise(DWORD_PTR adviseCookie) {
    std::lock_guard lock(mutex_);
    auto it = advises_.find(adviseCookie);
    if (it == advises_.end()) return S_FALSE;
    gst_clock_id_unschedule(it->second);
    gst_clock_id_unref(it->second);
    advises_.erase(it);
    return S_OK;
}

}  // namespace media

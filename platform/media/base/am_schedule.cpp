#include "platform/media/base/am_schedule.h"

#include <new>
#include <utility>

#include "platform/media/base/sync_handles.h"

CAMSchedule::CAMSchedule(HEVENT wakeEvent) : wakeEvent_(wakeEvent) {
    sentinel_.time = kMaxTime;
    head_.next = &sentinel_;
}

CAMSchedule::~CAMSchedule() {
    std::lock_guard lock(mutex_);
    for (Entry* e = head_.next; e != &sentinel_;) delete std::exchange(e, e->next);
    for (Entry* e = cache_; e;) delete std::exchange(e, e->next);
    CloseSyncHandle(wakeEvent_);
}

DWORD CAMSchedule::GetAdviseCount() { return count_.load(); }

REFERENCE_TIME CAMSchedule::GetNextAdviseTime() {
    std::lock_guard lock(mutex_);
    return head_.next->time;
}

CAMSchedule::Entry* CAMSchedule::NewEntry() {
    if (failAllocations_ > 0) {
        --failAllocations_;
        return nullptr;
    }
    if (cache_) {
        Entry* entry = std::exchange(cache_, cache_->next);
        --cached_;
        *entry = Entry{};
        return entry;
    }
    return new (std::nothrow) Entry;
}

void CAMSchedule::FreeEntry(Entry* entry) {
    if (cached_ >= kMaxCachedEntries) {
        delete entry;
        return;
    }
    entry->next = cache_;
    cache_ = entry;
    ++cached_;
}

void CAMSchedule::Insert(Entry* entry) {
    Entry* prev = &head_;
    while (prev->next->time <= entry->time && prev->next != &sentinel_) prev = prev->next;
    entry->next = prev->next;
    prev->next = entry;
}

DWORD_PTR CAMSchedule::AddAdvisePacket(REFERENCE_TIME time, REFERENCE_TIME period, std::uintptr_t handle,
                                       bool periodic) {
    bool earliest = false;
    DWORD_PTR cookie = 0;
    {
        std::lock_guard lock(mutex_);
        Entry* entry = NewEntry();
        if (!entry) return 0;
        entry->time = time;
        entry->period = period;
        entry->handle = handle;
        entry->periodic = periodic;
        // Cookies never repeat, so a stale cookie cannot remove a reused entry.
        entry->cookie = cookie = nextCookie_++;
        Insert(entry);
        ++count_;
        earliest = head_.next == entry;
    }
    if (earliest) SetEventHandle(wakeEvent_);
    return cookie;
}

HRESULT CAMSchedule::Unadvise(DWORD_PTR cookie) {
    std::lock_guard lock(mutex_);
    for (Entry* prev = &head_; prev->next != &sentinel_; prev = prev->next) {
        Entry* entry = prev->next;
        if (entry->cookie != cookie) continue;
        prev->next = entry->next;
        FreeEntry(entry);
        --count_;
        return S_OK;
    }
    return S_FALSE;
}

REFERENCE_TIME CAMSchedule::Advise(REFERENCE_TIME time) {
    std::lock_guard lock(mutex_);
    while (head_.next != &sentinel_ && head_.next->time <= time) {
        Entry* entry = head_.next;
        head_.next = entry->next;
        if (entry->periodic) {
            ReleaseSemaphoreHandle(entry->handle, 1, nullptr);
            // A period that would pass the maximum time ends the entry instead of wrapping.
            if (entry->period > 0 && entry->time <= kMaxTime - entry->period) {
                entry->time += entry->period;
                Insert(entry);
                continue;
            }
        } else {
            SetEventHandle(entry->handle);
        }
        FreeEntry(entry);
        --count_;
    }
    return head_.next->time;
}

int CAMSchedule::CachedEntriesForTesting() {
    std::lock_guard lock(mutex_);
    return cached_;
}

void CAMSchedule::FailAllocationsForTesting(int count) {
    std::lock_guard lock(mutex_);
    failAllocations_ = count;
}

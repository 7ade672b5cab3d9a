// The advise schedule of a reference clock: entries sorted by due time in a singly linked
// list that ends in a sentinel at the maximum time, a small cache of freed entries, and the
// wake-up event that tells the advise thread to recompute its wait.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/media/interfaces/filters.h"

class CAMSchedule {
public:
    static constexpr int kMaxCachedEntries = 5;
    static constexpr REFERENCE_TIME kMaxTime = MAXLONGLONG;

    // Takes over `wakeEvent` (an auto-reset event) and closes it on destruction.
    explicit CAMSchedule(HEVENT wakeEvent);
    ~CAMSchedule();
    CAMSchedule(const CAMSchedule&) = delete;
    CAMSchedule& operator=(const CAMSchedule&) = delete;

    HEVENT GetEvent() const { return wakeEvent_; }
    DWORD GetAdviseCount();
    REFERENCE_TIME GetNextAdviseTime();

    // A one-shot entry sets `handle` (an event) at `time`; a periodic one releases `handle`
    // (a semaphore) at `time` and every `period` after it. Returns the cookie, 0 when no
    // entry could be had.
    DWORD_PTR AddAdvisePacket(REFERENCE_TIME time, REFERENCE_TIME period, std::uintptr_t handle, bool periodic);
    // S_OK when the entry was found and removed, else S_FALSE.
    HRESULT Unadvise(DWORD_PTR cookie);

    // Fires every entry due at or before `time` and returns the due time of the next one
    // (kMaxTime when none is left).
    REFERENCE_TIME Advise(REFERENCE_TIME time);

    int CachedEntriesForTesting();
    // Makes the next `count` entry allocations fail (0 turns it off).
    void FailAllocationsForTesting(int count);

private:
    struct Entry {
        Entry* next = nullptr;
        REFERENCE_TIME time = 0;
        REFERENCE_TIME period = 0;
        std::uintptr_t handle = 0;
        bool periodic = false;
        DWORD_PTR cookie = 0;
    };

    Entry* NewEntry();
    void FreeEntry(Entry* entry);
    // Inserts in due-time order (after entries of the same time).
    void Insert(Entry* entry);

    std::mutex mutex_;
    Entry sentinel_;  // at kMaxTime, ends the list
    Entry head_;      // before the first entry
    Entry* cache_ = nullptr;
    int cached_ = 0;
    std::atomic<DWORD> count_{0};  // read without the lock by clocks holding their own lock
    DWORD_PTR nextCookie_ = 1;
    int failAllocations_ = 0;
    HEVENT wakeEvent_;
};

// Event and semaphore handles, the objects a clock signals for AdviseTime and AdvisePeriodic.
// A handle is a number looked up in a process-wide table, so a closed or made-up handle
// signals nothing instead of touching freed memory.
#pragma once

#include "platform/media/interfaces/filters.h"

// An event: manual-reset events stay set until reset; auto-reset events release one waiter.
HEVENT CreateEventHandle(bool manualReset, bool initiallySet);
bool SetEventHandle(HEVENT event);
bool ResetEventHandle(HEVENT event);

// A counting semaphore with a maximum count.
HSEMAPHORE CreateSemaphoreHandle(LONG initialCount, LONG maximumCount);
// Raises the count by `count`; false (count unchanged) when that would pass the maximum.
bool ReleaseSemaphoreHandle(HSEMAPHORE semaphore, LONG count, LONG* previousCount);

// Waits until the event is set or the semaphore's count is above 0 (and takes one), at most
// `milliseconds` (INFINITE waits without limit). False on time-out or an unknown handle.
bool WaitForHandle(std::uintptr_t handle, DWORD milliseconds);
bool CloseSyncHandle(std::uintptr_t handle);

// Process priority classes, kept as nice values.
#pragma once

#include "platform/com/types.h"
#include "platform/media/interfaces/win_types.h"

// The pseudo handle of the calling process.
HANDLE GetCurrentProcess();

// Classes (the platform's values): idle 64 -> nice 19, below normal 16384 -> 10, normal 32 -> 0,
// above normal 32768 -> -5, high 128 -> -10, realtime 256 -> -20. Only the current process is
// supported. The nice value is given to every thread of the process; threads started later
// inherit it from the thread that starts them. FALSE with the last error set on failure (an unknown class is
// ERROR_INVALID_PARAMETER; raising the priority without the right is ERROR_ACCESS_DENIED).
BOOL SetPriorityClass(HANDLE process, DWORD priorityClass);
// The class whose nice value is nearest to the process's; 0 with the last error on failure.
DWORD GetPriorityClass(HANDLE process);

#include "platform/system/process_priority.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>

#include "platform/com/hresult.h"
#include "platform/system/last_error.h"

namespace {

struct ClassNice {
    DWORD priorityClass;
    int nice;
};
constexpr ClassNice kClasses[] = {
    {64, 19}, {16384, 10}, {32, 0}, {32768, -5}, {128, -10}, {256, -20},
};

HANDLE CurrentProcessPseudoHandle() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

}  // namespace

HANDLE GetCurrentProcess() { return CurrentProcessPseudoHandle(); }

BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) {
    if (process != CurrentProcessPseudoHandle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (const ClassNice& entry : kClasses) {
        if (entry.priorityClass != priorityClass) continue;
        if (setpriority(PRIO_PROCESS, 0, entry.nice) != 0) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

DWORD GetPriorityClass(HANDLE process) {
    if (process != CurrentProcessPseudoHandle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (nice == -1 && errno != 0) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    DWORD best = 32;
    int bestDistance = 100;
    for (const ClassNice& entry : kClasses) {
        const int distance = std::abs(entry.nice - nice);
        if (distance < bestDistance) {
            best = entry.priorityClass;
            bestDistance = distance;
        }
    }
    return best;
}

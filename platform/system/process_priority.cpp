#include "platform/system/process_priority.h"

#include <dirent.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>
#include <set>

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

// The ids of the process's threads as /proc lists them now.
std::set<pid_t> ThreadIds() {
    std::set<pid_t> ids;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return ids;
    while (const dirent* entry = readdir(tasks)) {
        char* end = nullptr;
        const long id = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && id > 0) ids.insert(static_cast<pid_t>(id));
    }
    closedir(tasks);
    return ids;
}

// Linux keeps a nice value per thread and a new thread starts with its creator's, so the value
// is given to every thread: then every thread started later (the media framework's streaming
// threads included) inherits it. A thread created by a not yet updated thread while the list is
// walked is caught by walking the list again until it holds no thread that was not set.
// Returns 0 or the errno of the first thread that refused.
int SetNiceOfEveryThread(int nice) {
    std::set<pid_t> done;
    if (ThreadIds().empty())  // no /proc: the calling thread at least
        return setpriority(PRIO_PROCESS, 0, nice) == 0 ? 0 : errno;
    for (;;) {
        bool foundNew = false;
        for (pid_t id : ThreadIds()) {
            if (!done.insert(id).second) continue;
            foundNew = true;
            if (setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice) != 0 && errno != ESRCH) return errno;
        }
        if (!foundNew) return 0;
    }
}

}  // namespace

HANDLE GetCurrentProcess() { return CurrentProcessPseudoHandle(); }

BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) {
    if (process != CurrentProcessPseudoHandle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (const ClassNice& entry : kClasses) {
        if (entry.priorityClass != priorityClass) continue;
        if (const int error = SetNiceOfEveryThread(entry.nice)) {
            SetLastErrorFromErrno(error);
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

#include "platform/media/base/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

namespace {

std::atomic<SchedParamSetter> g_setter{nullptr};

int SetSchedParam(pthread_t thread, int policy, const sched_param* param) {
    SchedParamSetter setter = g_setter.load();
    return setter ? setter(thread, policy, param) : pthread_setschedparam(thread, policy, param);
}

// The lowest nice value (highest priority) this thread may take, tried from the top down.
bool RaiseNice() {
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    for (int nice = -20; nice < 0; ++nice) {
        if (setpriority(PRIO_PROCESS, tid, nice) == 0) return true;
    }
    return false;
}

}  // namespace

ThreadPriority RaiseCurrentThreadPriority() {
    for (int policy : {SCHED_FIFO, SCHED_RR}) {
        sched_param param{};
        param.sched_priority = sched_get_priority_max(policy);
        if (param.sched_priority >= 0 && SetSchedParam(pthread_self(), policy, &param) == 0) return ThreadPriority::Realtime;
    }
    return RaiseNice() ? ThreadPriority::HighNice : ThreadPriority::Normal;
}

void SetSchedParamSetterForTesting(SchedParamSetter setter) { g_setter.store(setter); }

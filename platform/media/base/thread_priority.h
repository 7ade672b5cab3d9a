// Raising a thread to the highest priority the process may have: real-time scheduling when
// the process is allowed it, else the highest nice value it may take, else nothing. Never
// fails the caller.
#pragma once

#include <pthread.h>
#include <sched.h>

enum class ThreadPriority { Realtime, HighNice, Normal };

// Returns what was reached. Call on the thread itself (the nice fallback is per thread).
ThreadPriority RaiseCurrentThreadPriority();

// What pthread_setschedparam is called through; tests replace it to simulate a refusal.
using SchedParamSetter = int (*)(pthread_t thread, int policy, const sched_param* param);
void SetSchedParamSetterForTesting(SchedParamSetter setter);  // null restores the real one

// The advise schedule, the sync handles it signals, and the advise thread's priority.
#include "platform/media/base/am_schedule.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/media/base/sync_handles.h"
#include "platform/media/base/thread_priority.h"

namespace {

class ScheduleTest : public ::testing::Test {
protected:
    ~ScheduleTest() override {
        for (auto handle : handles) CloseSyncHandle(handle);
    }
    HEVENT Event() { return handles.emplace_back(CreateEventHandle(true, false)); }

    CAMSchedule schedule{CreateEventHandle(false, false)};
    std::vector<std::uintptr_t> handles;
};

TEST_F(ScheduleTest, FiresEntriesInDueOrderAndReportsTheNext) {
    const HEVENT late = Event(), early = Event(), middle = Event();
    schedule.AddAdvisePacket(300, 0, late, false);
    schedule.AddAdvisePacket(100, 0, early, false);
    schedule.AddAdvisePacket(200, 0, middle, false);
    EXPECT_EQ(3u, schedule.GetAdviseCount());
    EXPECT_EQ(100, schedule.GetNextAdviseTime());
    EXPECT_EQ(300, schedule.Advise(250));
    EXPECT_TRUE(WaitForHandle(early, 0));
    EXPECT_TRUE(WaitForHandle(middle, 0));
    EXPECT_FALSE(WaitForHandle(late, 0));
    EXPECT_EQ(CAMSchedule::kMaxTime, schedule.Advise(300));
    EXPECT_EQ(0u, schedule.GetAdviseCount());
}

TEST_F(ScheduleTest, AddingTheEarliestEntrySetsTheWakeUpEvent) {
    schedule.AddAdvisePacket(100, 0, Event(), false);
    EXPECT_TRUE(WaitForHandle(schedule.GetEvent(), 0));
    schedule.AddAdvisePacket(200, 0, Event(), false);  // not the earliest
    EXPECT_FALSE(WaitForHandle(schedule.GetEvent(), 0));
    schedule.AddAdvisePacket(50, 0, Event(), false);
    EXPECT_TRUE(WaitForHandle(schedule.GetEvent(), 0));
}

TEST_F(ScheduleTest, KeepsAtMostFiveFreedEntries) {
    std::vector<DWORD_PTR> cookies;
    for (int i = 0; i < 8; ++i) cookies.push_back(schedule.AddAdvisePacket(100 + i, 0, Event(), false));
    for (DWORD_PTR cookie : cookies) EXPECT_EQ(S_OK, schedule.Unadvise(cookie));
    EXPECT_EQ(CAMSchedule::kMaxCachedEntries, schedule.CachedEntriesForTesting());
    // A reused entry gets a new cookie: the stale one removes nothing.
    const DWORD_PTR fresh = schedule.AddAdvisePacket(5, 0, Event(), false);
    EXPECT_EQ(S_FALSE, schedule.Unadvise(cookies.back()));
    EXPECT_EQ(S_OK, schedule.Unadvise(fresh));
}

TEST_F(ScheduleTest, PeriodicEntriesReleaseOncePerDueTimeAndMoveOn) {
    const HSEMAPHORE semaphore = handles.emplace_back(CreateSemaphoreHandle(0, 10));
    const DWORD_PTR cookie = schedule.AddAdvisePacket(100, 50, semaphore, true);
    EXPECT_EQ(150, schedule.Advise(120));
    EXPECT_EQ(200, schedule.Advise(150));
    EXPECT_TRUE(WaitForHandle(semaphore, 0));
    EXPECT_TRUE(WaitForHandle(semaphore, 0));
    EXPECT_FALSE(WaitForHandle(semaphore, 0));
    EXPECT_EQ(S_OK, schedule.Unadvise(cookie));
}

TEST_F(ScheduleTest, AllocationFailureGivesNoCookie) {
    schedule.FailAllocationsForTesting(1);
    EXPECT_EQ(0u, schedule.AddAdvisePacket(1, 0, Event(), false));
    EXPECT_NE(0u, schedule.AddAdvisePacket(1, 0, Event(), false));
}

TEST(SyncHandles, UnknownOrClosedHandlesSignalNothing) {
    EXPECT_FALSE(SetEventHandle(0));
    const HSEMAPHORE semaphore = CreateSemaphoreHandle(1, 2);
    EXPECT_TRUE(ReleaseSemaphoreHandle(semaphore, 1, nullptr));
    EXPECT_FALSE(ReleaseSemaphoreHandle(semaphore, 1, nullptr));  // past the maximum
    EXPECT_TRUE(CloseSyncHandle(semaphore));
    EXPECT_FALSE(ReleaseSemaphoreHandle(semaphore, 1, nullptr));
    EXPECT_FALSE(WaitForHandle(semaphore, 0));
    EXPECT_EQ(0u, CreateSemaphoreHandle(3, 2));
}

int RefuseRealtime(pthread_t, int, const sched_param*) { return EPERM; }

TEST(ThreadPriority, RefusedRealtimeFallsBackWithoutFailing) {
    SetSchedParamSetterForTesting(RefuseRealtime);
    ThreadPriority reached = ThreadPriority::Realtime;
    std::thread([&] { reached = RaiseCurrentThreadPriority(); }).join();
    SetSchedParamSetterForTesting(nullptr);
    EXPECT_NE(ThreadPriority::Realtime, reached);
}

// A child without the right to real-time priority or a lower nice value, as a normal user.
TEST(ThreadPriority, UnprivilegedProcessGetsNormalPriority) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit none{0, 0};
        setrlimit(RLIMIT_RTPRIO, &none);
        rlimit niceLimit{0, 0};  // may raise the nice value, never lower it
        setrlimit(RLIMIT_NICE, &niceLimit);
        if (geteuid() == 0) {
            // Root ignores the limits: drop the capability that lets it.
            if (setuid(65534) != 0) _exit(3);
        }
        ThreadPriority reached = ThreadPriority::Realtime;
        std::thread([&] { reached = RaiseCurrentThreadPriority(); }).join();
        _exit(reached == ThreadPriority::Realtime ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

}  // namespace

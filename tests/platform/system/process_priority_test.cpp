#include "platform/system/process_priority.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/com/hresult.h"
#include "platform/system/last_error.h"

namespace {

constexpr DWORD kIdleClass = 64;
constexpr DWORD kAboveNormalClass = 32768;

int NiceOf(pid_t thread) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    EXPECT_EQ(errno, 0);
    return nice;
}

pid_t CurrentThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// Threads that report their id and then wait until released; a parked thread can be asked to
// start a child thread of its own.
class ParkedThreads {
public:
    explicit ParkedThreads(int count) {
        for (int i = 0; i < count; ++i) threads_.emplace_back([this] { Park(); });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ids_.size() == static_cast<std::size_t>(count); });
    }
    ~ParkedThreads() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : threads_) thread.join();
    }

    std::vector<pid_t> Ids() {
        std::lock_guard lock(mutex_);
        return ids_;
    }

    // The nice value a thread started now by one of the parked threads begins with.
    int NiceOfAChildOfAParkedThread() {
        {
            std::lock_guard lock(mutex_);
            childWanted_ = true;
        }
        changed_.notify_all();
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return childNice_.has_value(); });
        return *childNice_;
    }

private:
    void Park() {
        std::unique_lock lock(mutex_);
        ids_.push_back(CurrentThreadId());
        changed_.notify_all();
        const bool first = ids_.size() == 1;
        while (!released_) {
            if (first && childWanted_ && !childNice_) {
                lock.unlock();
                int nice = 0;
                std::thread([&] { nice = getpriority(PRIO_PROCESS, 0); }).join();
                lock.lock();
                childNice_ = nice;
                changed_.notify_all();
            }
            changed_.wait(lock);
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<pid_t> ids_;
    std::vector<std::thread> threads_;
    bool released_ = false;
    bool childWanted_ = false;
    std::optional<int> childNice_;
};

int NiceOfANewThread() {
    int nice = 0;
    std::thread([&] { nice = getpriority(PRIO_PROCESS, 0); }).join();
    return nice;
}

// Raising the nice value needs no right, so this holds for any user.
TEST(ProcessPriority, IdleClassReachesEveryThreadAndThreadsStartedLater) {
    ParkedThreads parked(3);
    ASSERT_TRUE(SetPriorityClass(GetCurrentProcess(), kIdleClass)) << GetLastError();
    EXPECT_EQ(NiceOf(CurrentThreadId()), 19);
    for (pid_t thread : parked.Ids()) EXPECT_EQ(NiceOf(thread), 19) << "thread " << thread;
    EXPECT_EQ(NiceOfANewThread(), 19);
    EXPECT_EQ(parked.NiceOfAChildOfAParkedThread(), 19);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kIdleClass);
}

// Lowering the nice value needs the right to (root or CAP_SYS_NICE): with it every thread
// follows; without it the call fails with access denied and leaves every thread as it was.
TEST(ProcessPriority, AboveNormalClassReachesEveryThreadOrFailsWithoutTheRight) {
    ParkedThreads parked(2);
    const int before = NiceOf(CurrentThreadId());
    const BOOL set = SetPriorityClass(GetCurrentProcess(), kAboveNormalClass);
    if (geteuid() == 0) {
        ASSERT_TRUE(set) << GetLastError();
        EXPECT_EQ(NiceOf(CurrentThreadId()), -5);
        for (pid_t thread : parked.Ids()) EXPECT_EQ(NiceOf(thread), -5) << "thread " << thread;
        EXPECT_EQ(parked.NiceOfAChildOfAParkedThread(), -5);
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kAboveNormalClass);
    } else {
        EXPECT_FALSE(set);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(NiceOf(CurrentThreadId()), before);
        for (pid_t thread : parked.Ids()) EXPECT_EQ(NiceOf(thread), before);
    }
}

TEST(ProcessPriority, UnknownClassOrOtherProcessIsRefused) {
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 12345));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetPriorityClass(reinterpret_cast<HANDLE>(1), kIdleClass));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace

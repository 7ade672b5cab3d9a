// SIGTERM and SIGINT while watched: the process lives on and the pipe tells of each signal.
#include "platform/system/termination_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

namespace {

bool Readable(int descriptor) {
    pollfd entry{descriptor, POLLIN, 0};
    return poll(&entry, 1, 1000) == 1 && (entry.revents & POLLIN);
}

TEST(TerminationSignals, SignalsBecomeReadableBytesUntilWatchingStops) {
    const int descriptor = termination::WatchSignals();
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(descriptor, termination::WatchSignals());
    EXPECT_EQ(0, termination::TakePendingSignals());
    ASSERT_EQ(0, raise(SIGTERM));
    ASSERT_EQ(0, raise(SIGINT));
    EXPECT_TRUE(Readable(descriptor));
    EXPECT_EQ(2, termination::TakePendingSignals());
    EXPECT_EQ(0, termination::TakePendingSignals());
    termination::StopWatchingSignals();
    EXPECT_EQ(0, termination::TakePendingSignals());

    struct sigaction current {};
    ASSERT_EQ(0, sigaction(SIGTERM, nullptr, &current));
    EXPECT_EQ(SIG_DFL, current.sa_handler);
}

}  // namespace

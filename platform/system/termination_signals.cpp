#include "platform/system/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace termination {

namespace {

constexpr int kWatched[] = {SIGTERM, SIGINT};

// Written by the handler, which may touch nothing but async-signal-safe calls.
volatile sig_atomic_t g_writeEnd = -1;
int g_readEnd = -1;
std::mutex g_lock;

void OnSignal(int /*signal*/) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing else can be done inside a handler.
    if (g_writeEnd >= 0 && write(g_writeEnd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}

bool SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int watched : kWatched)
        if (sigaction(watched, &action, nullptr) != 0) return false;
    return true;
}

void ClosePipe() {
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    if (writeEnd >= 0) close(writeEnd);
    if (g_readEnd >= 0) close(g_readEnd);
    g_readEnd = -1;
}

}  // namespace

int WatchSignals() {
    std::lock_guard guard(g_lock);
    if (g_readEnd >= 0) return g_readEnd;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    if (!SetHandler(OnSignal)) {
        SetHandler(SIG_DFL);
        ClosePipe();
        return -1;
    }
    return g_readEnd;
}

int TakePendingSignals() {
    std::lock_guard guard(g_lock);
    if (g_readEnd < 0) return 0;
    int count = 0;
    char buffer[64];
    for (ssize_t got; (got = read(g_readEnd, buffer, sizeof buffer)) > 0;) count += static_cast<int>(got);
    return count;
}

void StopWatchingSignals() {
    std::lock_guard guard(g_lock);
    if (g_readEnd < 0) return;
    SetHandler(SIG_DFL);
    ClosePipe();
}

}  // namespace termination

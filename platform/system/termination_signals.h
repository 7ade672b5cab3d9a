// SIGTERM and SIGINT turned into something an event loop can wait for: while watched, each
// signal writes one byte into a pipe whose read end the program watches, so that it can end
// through its normal leaving sequence instead of being killed in the middle of its work.
#pragma once

namespace termination {

// Installs the handlers and returns the pipe's read end (non-blocking), or -1 on failure.
// Calling it again returns the same descriptor.
int WatchSignals();

// Reads what is pending; returns the number of signals that arrived since the last call.
int TakePendingSignals();

// Restores the default handlers and closes the pipe.
void StopWatchingSignals();

}  // namespace termination

// What a running recording has done so far: the capture filter's counts since the recording
// started and the multiplexer's statistics, as the status display and the recording log show
// them. A source that is missing or fails counts as 0.
#pragma once

#include <string>

#include "platform/com/types.h"

struct GraphSession;

struct RecordingStatistics {
    // The capture filter: frames delivered and dropped since the start, average frame size.
    LONG Captured = 0;
    LONG Dropped = 0;
    LONG AverageSize = 0;
    // The multiplexer.
    DWORD VideoFrames = 0;
    DWORD AudioFrames = 0;
    DWORD DropFrames = 0;
    DWORD AudioSamples = 0;
    DWORD Inserted = 0;
    DWORD Deleted = 0;
    double VideoFps = 0.0;
    double AudioFrequency = 0.0;
};

RecordingStatistics ReadRecordingStatistics(const GraphSession& session);

// Free bytes available to this user on the volume of `directory` (empty: the current one), in
// MiB truncated to 32 bits; 0 when the volume cannot be examined.
DWORD FreeSpaceMiB(const std::string& directory);

// Milliseconds as "H:MM:SS" (3,725,000 ms is "1:02:05").
std::string FormatElapsed(DWORD milliseconds);

// A time-shift position in seconds as "H:MM:SS", never beyond the recording's length.
LONG ClampTimeShiftPosition(LONG position, LONG length);
std::string FormatTimeShiftPosition(LONG seconds);

#include "engine/recording_statistics.h"

#include <cstdio>

#include "engine/graph_session.h"
#include "platform/system/disk_space.h"

RecordingStatistics ReadRecordingStatistics(const GraphSession& session) {
    RecordingStatistics s;
    if (IAMDroppedFrames* frames = session.DroppedFrames.Get()) {
        LONG dropped = 0, delivered = 0;
        if (SUCCEEDED(frames->GetNumDropped(&dropped)) && SUCCEEDED(frames->GetNumNotDropped(&delivered))) {
            s.Dropped = dropped - session.BaselineDropped;
            s.Captured = delivered - session.BaselineNotDropped;
            if (FAILED(frames->GetAverageFrameSize(&s.AverageSize))) s.AverageSize = 0;
        }
    }
    if (ITalvinAVIMux* mux = session.AviMuxControl.Get()) {
        // The multiplexer's answers are taken as they are; a failed call leaves its zeros.
        mux->GetStatistics(&s.VideoFrames, &s.AudioFrames, &s.DropFrames, &s.AudioSamples);
        mux->GetSyncCounts(&s.Inserted, &s.Deleted);
        mux->GetMeasuredRates(&s.VideoFps, &s.AudioFrequency);
    }
    return s;
}

DWORD FreeSpaceMiB(const std::string& directory) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(directory.empty() ? "." : directory.c_str(), &available, nullptr, nullptr)) return 0;
    return static_cast<DWORD>(available.QuadPart >> 20);
}

std::string FormatElapsed(DWORD milliseconds) {
    const DWORD hours = milliseconds / 3600000;
    const DWORD minutes = milliseconds / 60000 - 60 * hours;
    const DWORD seconds = milliseconds / 1000 - 60 * (milliseconds / 60000);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(hours), static_cast<int>(minutes),
                  static_cast<int>(seconds));
    return text;
}

LONG ClampTimeShiftPosition(LONG position, LONG length) { return position > length ? length : position; }

std::string FormatTimeShiftPosition(LONG seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

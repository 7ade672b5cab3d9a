// The recording log ("reclog.txt"): one block for every start of a recording and one for every
// stop, written as text with CR LF line ends and flushed after every append, so that what was
// written is on disk even if the program dies during the recording.
#pragma once

#include <cstdio>
#include <string>

#include "engine/recording_statistics.h"

class CDeviceProfile;
class CCompressorProfile;
class CMuxProfile;

class CRecordingLog {
public:
    CRecordingLog() = default;
    ~CRecordingLog() { Close(); }
    CRecordingLog(const CRecordingLog&) = delete;
    CRecordingLog& operator=(const CRecordingLog&) = delete;

    // Opens `path` (created when missing; emptied when `truncate`, otherwise kept) for writing
    // at its end. A file that cannot be opened leaves the log closed; nothing is reported.
    bool Open(const std::string& path, bool truncate);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // Formats and appends; every "\n" becomes CR LF. Nothing happens while closed, and write
    // errors are swallowed (the log may then be incomplete).
    void Append(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::FILE* file_ = nullptr;
};

// The start block up to the capture file: the time line ("<time> - StartCapture"), the three
// profile names and the device's channel and TV audio mode. `timeText` is the local time as
// "%c" formats it.
void WriteStartBlock(CRecordingLog& log, const std::string& timeText, const CDeviceProfile* device,
                     const CCompressorProfile* compressor, const CMuxProfile* mux);

// The stop block: the time line, the capture filter's counts, the multiplexer's statistics, the
// mean processor usage and the free space in MiB.
void WriteStopBlock(CRecordingLog& log, const std::string& timeText, const RecordingStatistics& statistics,
                    double cpuUsage, DWORD freeMiB);

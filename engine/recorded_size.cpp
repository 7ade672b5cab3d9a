// The size of the recording being written, for the status display.
#include "engine/capture_engine.h"
#include "platform/system/disk_space.h"
#include "platform/system/watched_file.h"

DWORD CCaptureEngine::RecordedSizeMiB(bool pseudo) const {
    if (pseudo) {
        // The same measure as at the build (all free bytes), so that space reserved for the
        // system does not show up as recorded data.
        ULARGE_INTEGER available{}, total{}, free{};
        if (!GetDiskFreeSpaceExA(outputDirectory_.empty() ? "." : outputDirectory_.c_str(), &available, &total, &free))
            return 0;
        const ULONGLONG before = freeSpaceAtBuild_ + fileSizeAtBuild_;
        // Space freed by others since the build would otherwise wrap round to a huge size.
        if (free.QuadPart >= before) return 0;
        return static_cast<DWORD>((before - free.QuadPart) >> 20);
    }
    ULONGLONG megabytes = 0;
    for (HANDLE handle : pendingHandles_) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(handle, &size)) megabytes += static_cast<ULONGLONG>(size.QuadPart) >> 20;
    }
    return static_cast<DWORD>(megabytes);
}

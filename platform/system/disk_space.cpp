#include "platform/system/disk_space.h"

#include <sys/statvfs.h>

#include <cerrno>

#include "platform/system/last_error.h"

BOOL GetDiskFreeSpaceExA(LPCSTR directory, ULARGE_INTEGER* available, ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
    struct statvfs info {};
    if (statvfs(directory && *directory ? directory : ".", &info) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    const ULONGLONG unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    if (available) available->QuadPart = static_cast<ULONGLONG>(info.f_bavail) * unit;
    if (total) total->QuadPart = static_cast<ULONGLONG>(info.f_blocks) * unit;
    if (totalFree) totalFree->QuadPart = static_cast<ULONGLONG>(info.f_bfree) * unit;
    SetLastError(0);
    return TRUE;
}

#pragma once

#include "platform/com/types.h"

// Free and total bytes of the file system holding `directory`. FALSE with the last error set
// when the directory cannot be examined; any out-pointer may be null.
BOOL GetDiskFreeSpaceExA(LPCSTR directory, ULARGE_INTEGER* freeBytesAvailableToCaller, ULARGE_INTEGER* totalBytes,
                         ULARGE_INTEGER* totalFreeBytes);

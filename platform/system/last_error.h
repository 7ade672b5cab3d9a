// The calling thread's last platform error, as the Win32 calls keep it.
#pragma once

#include "platform/com/hresult.h"

DWORD GetLastError();
void SetLastError(DWORD error);
// Sets the last error from an errno value.
void SetLastErrorFromErrno(int errnoValue);

// What the failure reports pass for a failed system call: 0x80070000 | (last error & 0xFFFF),
// or 0 when the last error is 0.
HRESULT HResultFromLastError();

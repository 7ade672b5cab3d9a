#include "platform/system/last_error.h"

namespace {
thread_local DWORD lastError = 0;
}

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }
void SetLastErrorFromErrno(int errnoValue) { lastError = static_cast<DWORD>(Win32ErrorFromErrno(errnoValue)); }

HRESULT HResultFromLastError() {
    const DWORD error = GetLastError();
    return error == 0 ? 0 : MakeHResult(0x80070000u | (error & 0xFFFFu));
}

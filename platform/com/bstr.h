// BSTR: UTF-16 text laid out as the platform does it: a 32-bit byte count, then the
// characters, then a NUL. The pointer handed out points at the first character, so a BSTR
// can be read as a NUL-terminated string, yet it may hold NULs of its own.
#pragma once

#include "platform/com/types.h"

using BSTR = OLECHAR*;

// A copy of a NUL-terminated string; null for a null source or when memory runs out.
BSTR SysAllocString(const OLECHAR* text);
// `length` characters copied from text (zero-filled when text is null).
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
// Characters held (not counting the final NUL); 0 for null.
UINT SysStringLen(BSTR text);

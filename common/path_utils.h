// Small shared helpers of the shell.
#pragma once

#include <string>

#include "platform/com/types.h"

// Appends the platform separator '/' unless the path is empty or already ends with one.
void AppendBackslash(std::string& path);

// The port takes the NT family's paths everywhere (processor usage from the system's counters).
inline BOOL IsWindowsNT() { return TRUE; }

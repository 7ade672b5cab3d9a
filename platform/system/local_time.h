// Local wall-clock time and its text in the user's locale.
#pragma once

#include <ctime>
#include <string>

#include "platform/com/types.h"

// strftime in the user's LC_TIME locale (from LC_ALL / LC_TIME / LANG), falling back to "C".
std::string FormatLocalTime(const char* format, std::time_t when);
inline std::string FormatLocalTimeNow(const char* format) { return FormatLocalTime(format, std::time(nullptr)); }

void GetLocalTime(SYSTEMTIME* out);
// Local SYSTEMTIME <-> seconds since 1970 UTC, daylight saving decided by the system.
// Returns false for a value that names no time (month 13, 30 February, ...).
bool LocalSystemTimeToTime(const SYSTEMTIME& local, std::time_t* out);
bool TimeToLocalSystemTime(std::time_t when, SYSTEMTIME* out);

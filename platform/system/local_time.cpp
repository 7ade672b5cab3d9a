#include "platform/system/local_time.h"

#include <locale.h>
#include <sys/time.h>

#include <array>

namespace {

// The user's time locale, made once; "C" when the environment names none that is installed.
locale_t UserTimeLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
        return l ? l : newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

void FillSystemTime(const std::tm& tm, WORD milliseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = milliseconds;
}

}  // namespace

std::string FormatLocalTime(const char* format, std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    std::array<char, 512> buffer{};
    const std::size_t n = strftime_l(buffer.data(), buffer.size(), format, &tm, UserTimeLocale());
    return std::string(buffer.data(), n);
}

void GetLocalTime(SYSTEMTIME* out) {
    if (!out) return;
    timeval now{};
    gettimeofday(&now, nullptr);
    const std::time_t seconds = now.tv_sec;
    std::tm tm{};
    localtime_r(&seconds, &tm);
    FillSystemTime(tm, static_cast<WORD>(now.tv_usec / 1000), out);
}

bool LocalSystemTimeToTime(const SYSTEMTIME& local, std::time_t* out) {
    if (!out || local.wMonth < 1 || local.wMonth > 12 || local.wDay < 1 || local.wDay > 31 || local.wHour > 23 ||
        local.wMinute > 59 || local.wSecond > 59)
        return false;
    std::tm tm{};
    tm.tm_year = local.wYear - 1900;
    tm.tm_mon = local.wMonth - 1;
    tm.tm_mday = local.wDay;
    tm.tm_hour = local.wHour;
    tm.tm_min = local.wMinute;
    tm.tm_sec = local.wSecond;
    tm.tm_isdst = -1;
    const std::time_t t = mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31)) return false;
    if (tm.tm_mday != local.wDay || tm.tm_mon != local.wMonth - 1) return false;  // 30 February, ...
    *out = t;
    return true;
}

bool TimeToLocalSystemTime(std::time_t when, SYSTEMTIME* out) {
    std::tm tm{};
    if (!out || !localtime_r(&when, &tm)) return false;
    FillSystemTime(tm, 0, out);
    return true;
}

// localtime over the system's own time conversion.
//
// The program turns a member's time stamp into broken-down local time with localtime and
// hands the result back through SystemTimeToFileTime and LocalFileTimeToFileTime. The latter
// applies the zone's current bias, so this localtime applies that same bias (through
// FileTimeToLocalFileTime) rather than the bias in force on the stamp's own date: the round
// trip then gives back exactly the stamp's UTC time. tm_isdst says whether that current bias
// includes daylight saving.
//
// time_t is 64-bit in this build (windows.cmake defines __MINGW_USE_VC2005_COMPAT), so every
// unsigned 32-bit stamp converts, up to 2106.
//
// <time.h> makes localtime an inline call to _localtime64 through the import slot
// __imp___localtime64 of a C runtime DLL. The stub has no such DLL, so this file defines the
// slot itself and points it at the routine below; _CRTBLD keeps the header's declaration of
// _localtime64 in this file free of the dllimport attribute.
#define _CRTBLD
#include <time.h>
#include <windows.h>

// FILETIME counts 100-nanosecond ticks from 1601-01-01 00:00 UTC.
constexpr long long SECONDS_1601_TO_1970 = 11644473600LL;
constexpr long long TICKS_PER_SECOND = 10000000LL;
// FileTimeToSystemTime accepts tick counts up to 2^63 - 1.
constexpr long long LAST_SECOND_SINCE_1601 = 0x7FFFFFFFFFFFFFFFLL / TICKS_PER_SECOND;

static int day_of_year(const SYSTEMTIME &date) {
    static const short days_before_month[12] = {0,   31,  59,  90,  120, 151,
                                                181, 212, 243, 273, 304, 334};
    const int year = date.wYear;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days_before_month[date.wMonth - 1] + date.wDay - 1 + (leap && date.wMonth > 2);
}

extern "C" struct tm *_localtime64(const __time64_t *time) {
    static struct tm result;
    if (*time < -SECONDS_1601_TO_1970 || *time > LAST_SECOND_SINCE_1601 - SECONDS_1601_TO_1970)
        return nullptr;
    const unsigned long long ticks =
        static_cast<unsigned long long>(*time + SECONDS_1601_TO_1970) * TICKS_PER_SECOND;
    const FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local;
    SYSTEMTIME date;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &date))
        return nullptr;

    TIME_ZONE_INFORMATION zone;
    result.tm_sec = date.wSecond;
    result.tm_min = date.wMinute;
    result.tm_hour = date.wHour;
    result.tm_mday = date.wDay;
    result.tm_mon = date.wMonth - 1;
    result.tm_year = date.wYear - 1900;
    result.tm_wday = date.wDayOfWeek;
    result.tm_yday = day_of_year(date);
    result.tm_isdst = GetTimeZoneInformation(&zone) == TIME_ZONE_ID_DAYLIGHT;
    return &result;
}

extern "C" struct tm *(*const localtime64_import)(const __time64_t *)__asm__(
    "__imp___localtime64") = _localtime64;

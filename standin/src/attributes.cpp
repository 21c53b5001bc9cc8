// File attributes and times. Read-only maps onto the owner's write permission; hidden,
// system and archive live in a table beside the files.
#include "internal.h"

#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {
std::map<std::string, DWORD> kept_bits;
constexpr DWORD KEPT_MASK = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr int64_t EPOCH_DIFFERENCE = 116444736000000000LL;
} // namespace

void standin_forget_attributes(const std::string &host_path) {
    kept_bits.erase(host_path);
}

void standin_move_attributes(const std::string &from, const std::string &to) {
    auto it = kept_bits.find(from);
    if (it == kept_bits.end())
        return;
    kept_bits[to] = it->second;
    kept_bits.erase(it);
}

void standin_reset_attributes() {
    kept_bits.clear();
}

DWORD GetFileAttributesA(LPCSTR name) {
    std::string path = standin::host_path(name);
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        standin::set_last_error(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    auto it = kept_bits.find(path);
    attributes |=
        it != kept_bits.end() ? it->second : (S_ISDIR(st.st_mode) ? 0 : FILE_ATTRIBUTE_ARCHIVE);
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
    std::string path = standin::host_path(name);
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        standin::set_last_error(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | S_IWUSR);
    chmod(path.c_str(), mode);
    kept_bits[path] = attributes & KEPT_MASK;
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME *t, LPFILETIME file_time) {
    if (t->wMonth < 1 || t->wMonth > 12 || t->wDay < 1 || t->wDay > 31 || t->wHour > 23 ||
        t->wMinute > 59 || t->wSecond > 59 || t->wYear < 1601 || t->wYear > 30827) {
        standin::set_last_error(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct tm tm = {};
    tm.tm_year = t->wYear - 1900;
    tm.tm_mon = t->wMonth - 1;
    tm.tm_mday = t->wDay;
    tm.tm_hour = t->wHour;
    tm.tm_min = t->wMinute;
    tm.tm_sec = t->wSecond;
    int64_t seconds = timegm(&tm);
    int64_t ticks = seconds * 10000000LL + t->wMilliseconds * 10000LL + EPOCH_DIFFERENCE;
    file_time->dwLowDateTime = (DWORD)ticks;
    file_time->dwHighDateTime = (DWORD)((uint64_t)ticks >> 32);
    return TRUE;
}

// Local to UTC by the host's own time zone rules, the same ones localtime() used.
BOOL LocalFileTimeToFileTime(const FILETIME *local, LPFILETIME utc) {
    int64_t ticks = (int64_t)(((uint64_t)local->dwHighDateTime << 32) | local->dwLowDateTime);
    time_t seconds = (time_t)((ticks - EPOCH_DIFFERENCE) / 10000000LL);
    struct tm fields;
    gmtime_r(&seconds, &fields);
    fields.tm_isdst = -1;
    time_t as_utc = mktime(&fields);
    int64_t shifted = ticks + ((int64_t)as_utc - (int64_t)seconds) * 10000000LL;
    utc->dwLowDateTime = (DWORD)shifted;
    utc->dwHighDateTime = (DWORD)((uint64_t)shifted >> 32);
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME *, const FILETIME *, const FILETIME *write) {
    if (!file || file == INVALID_HANDLE_VALUE) {
        standin::set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!write)
        return TRUE;
    int64_t ticks = (int64_t)(((uint64_t)write->dwHighDateTime << 32) | write->dwLowDateTime);
    int64_t since_epoch = ticks - EPOCH_DIFFERENCE;
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[0].tv_sec = 0;
    times[1].tv_sec = (time_t)(since_epoch / 10000000LL);
    times[1].tv_nsec = (long)(since_epoch % 10000000LL) * 100;
    return futimens(standin_descriptor(file), times) == 0;
}

// Files and folders: Windows paths onto host folders, handles onto descriptors.
#include "internal.h"

#include <errno.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// The handle keeps its own position and reads and writes there (pread, pwrite): a position
// asked for or set costs no call to the host. A file of a null drive has no descriptor (-1).
// Small reads (member headers, the data of small members) come from `ahead`, the file's
// bytes from ahead_start on as one read of up to READ_AHEAD bytes found them, when they lie
// inside it; a small read outside it reads it anew from its own offset. A write through
// the handle drops it.
struct FileHandle {
    int fd;
    int64_t position = 0;
    std::vector<char> ahead;
    int64_t ahead_start = 0;
};

constexpr DWORD READ_AHEAD = 4096;
constexpr DWORD SMALL_READ = 512;

// Whether `count` bytes at the handle's position were taken from its read-ahead block.
bool read_from_ahead(FileHandle &handle, char *buffer, DWORD count) {
    int64_t offset = handle.position - handle.ahead_start;
    if (offset < 0 || offset + count > (int64_t)handle.ahead.size()) {
        if (count >= SMALL_READ)
            return false;
        handle.ahead.resize(READ_AHEAD);
        ssize_t n = pread(handle.fd, handle.ahead.data(), READ_AHEAD, handle.position);
        handle.ahead.resize(n < 0 ? 0 : (size_t)n);
        handle.ahead_start = handle.position;
        offset = 0;
        if (count > handle.ahead.size())
            return false; // the file ends, or fails, within the read
    }
    memcpy(buffer, handle.ahead.data() + offset, count);
    handle.position += count;
    return true;
}

std::map<char, std::string> drives;
// Drives whose paths never lead through a symbolic link or "..", and drives where what is
// written vanishes.
std::set<char> confined_drives;
std::set<char> null_drives;
std::string current_directory = "C:\\";
DWORD max_component_length = 255;
bool volume_query_fails = false;
std::vector<std::string> directory_request_log;
// Attribute bits that a host file system cannot hold (hidden, system, archive), by host path.
std::map<std::string, DWORD> extra_attributes;

bool separator(char c) {
    return c == '\\' || c == '/';
}

// Splits a Windows path into its drive and its components, resolving a relative path
// against the current directory. Returns false for paths the stand-in cannot place.
bool split_path(const char *path, char &drive, std::string &rest) {
    std::string p = path;
    if (p.size() >= 2 && separator(p[0]) && separator(p[1]))
        return false; // server paths do not exist here
    if (p.size() >= 2 && p[1] == ':') {
        drive = (char)toupper((unsigned char)p[0]);
        rest = p.substr(2);
        if (rest.empty() || !separator(rest[0]))
            rest = "\\" + rest;
        return true;
    }
    std::string base = current_directory;
    drive = (char)toupper((unsigned char)base[0]);
    if (!p.empty() && separator(p[0])) {
        rest = p;
        return true;
    }
    rest = base.substr(2);
    if (rest.empty() || !separator(rest.back()))
        rest += "\\";
    rest += p;
    return true;
}

bool on_drive_of(const std::set<char> &set, const char *path) {
    char drive;
    std::string rest;
    return path && split_path(path, drive, rest) && set.count(drive);
}

// Whether an existing part of `host` below the drive's folder `base` is a symbolic link.
// The first part that does not exist ends the search: nothing below it exists either.
bool passes_symbolic_link(const std::string &base, const std::string &host) {
    for (size_t end = base.size() + 1; end <= host.size(); end++) {
        if (end < host.size() && host[end] != '/')
            continue;
        struct stat st;
        if (lstat(host.substr(0, end).c_str(), &st) != 0)
            return false;
        if (S_ISLNK(st.st_mode))
            return true;
    }
    return false;
}

} // namespace

namespace standin {

void map_drive(char letter, const std::string &host_folder) {
    drives[(char)toupper((unsigned char)letter)] = host_folder;
    null_drives.erase((char)toupper((unsigned char)letter));
}
void confine_drive(char letter) {
    confined_drives.insert((char)toupper((unsigned char)letter));
}
void map_null_drive(char letter) {
    drives.erase((char)toupper((unsigned char)letter));
    null_drives.insert((char)toupper((unsigned char)letter));
}
void unmap_all_drives() {
    drives.clear();
}
void set_current_directory(const std::string &windows_path) {
    current_directory = windows_path;
}
void set_max_component_length(DWORD length) {
    max_component_length = length;
}
void set_volume_query_fails(bool fails) {
    volume_query_fails = fails;
}
std::vector<std::string> &directory_requests() {
    return directory_request_log;
}

std::string host_path(const char *windows_path) {
    char drive;
    std::string rest;
    if (!windows_path || !split_path(windows_path, drive, rest))
        return "";
    auto it = drives.find(drive);
    if (it == drives.end())
        return "";
    // Separators are single bytes that never stand as a trail byte at the positions
    // we split at only when the lead byte is skipped: walk character by character.
    bool confined = confined_drives.count(drive) != 0;
    std::string out = it->second, component;
    auto flush = [&]() -> bool {
        if (component.empty())
            return true;
        if (confined && component == "..")
            return false;
        std::string utf8 = to_utf8(component);
        if (utf8.empty())
            return false;
        if (out.empty() || out.back() != '/')
            out += '/';
        out += utf8;
        component.clear();
        return true;
    };
    for (size_t i = 0; i < rest.size(); i++) {
        unsigned char c = (unsigned char)rest[i];
        if (IsDBCSLeadByte(c) && i + 1 < rest.size()) {
            component += rest[i];
            component += rest[++i];
        } else if (separator((char)c)) {
            if (!flush())
                return "";
        } else {
            component += (char)c;
        }
    }
    if (!flush())
        return "";
    if (out.empty())
        out = "/";
    if (confined && passes_symbolic_link(it->second, out))
        return "";
    return out;
}

void set_last_error(DWORD error) {
    SetLastError(error);
}

void set_error_from_errno() {
    switch (errno) {
    case ENOENT:
        set_last_error(ERROR_FILE_NOT_FOUND);
        break;
    case ENOTDIR:
        set_last_error(ERROR_PATH_NOT_FOUND);
        break;
    case EEXIST:
        set_last_error(ERROR_ALREADY_EXISTS);
        break;
    case ENOSPC:
        set_last_error(ERROR_DISK_FULL);
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        set_last_error(ERROR_ACCESS_DENIED);
        break;
    default:
        set_last_error(ERROR_INVALID_PARAMETER);
    }
}

void reset_files() {
    drives.clear();
    current_directory = "C:\\";
    max_component_length = 255;
    volume_query_fails = false;
    directory_request_log.clear();
    confined_drives.clear();
    null_drives.clear();
    extra_attributes.clear();
}

} // namespace standin

using standin::host_path;
using standin::set_error_from_errno;
using standin::set_last_error;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
    if (standin_file_call_fails(standin::FileCall::Create))
        return INVALID_HANDLE_VALUE;
    if ((access & GENERIC_WRITE) && on_drive_of(null_drives, name))
        return new FileHandle{-1};
    std::string path = host_path(name);
    if (path.empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int flags = O_CLOEXEC | (on_drive_of(confined_drives, name) ? O_NOFOLLOW : 0);
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        flags |= O_RDWR;
    else if (access & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        flags |= O_TRUNC;
        break;
    default:
        break;
    }
    // The platform refuses to open a directory, or a read-only file for writing, even for
    // a user the host would let through.
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (exists && disposition == CREATE_NEW) {
        set_last_error(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (exists && (S_ISDIR(st.st_mode) || ((access & GENERIC_WRITE) && !(st.st_mode & S_IWUSR)))) {
        set_last_error(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        set_error_from_errno();
        return INVALID_HANDLE_VALUE;
    }
    if (flags & O_CREAT)
        standin_forget_attributes(path);
    return new FileHandle{fd};
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read_count, LPOVERLAPPED) {
    if (read_count)
        *read_count = 0;
    if (!file || file == INVALID_HANDLE_VALUE) {
        set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto *handle = static_cast<FileHandle *>(file);
    if (to_read != 0 && read_from_ahead(*handle, static_cast<char *>(buffer), to_read)) {
        if (read_count)
            *read_count = to_read;
        return TRUE;
    }
    int fd = handle->fd;
    DWORD total = 0;
    while (total < to_read) {
        ssize_t n = pread(fd, static_cast<char *>(buffer) + total, to_read - total,
                          handle->position + total);
        if (n < 0) {
            set_error_from_errno();
            return FALSE;
        }
        if (n == 0)
            break;
        total += (DWORD)n;
    }
    handle->position += total;
    if (read_count)
        *read_count = total;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written, LPOVERLAPPED) {
    if (written)
        *written = 0;
    if (!file || file == INVALID_HANDLE_VALUE) {
        set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (standin_file_call_fails(standin::FileCall::Write))
        return FALSE;
    DWORD allowed = standin_write_allowance(to_write);
    auto *handle = static_cast<FileHandle *>(file);
    handle->ahead.clear();
    int fd = handle->fd;
    DWORD total = fd < 0 ? allowed : 0; // a file of a null drive takes every byte
    while (total < allowed) {
        ssize_t n = pwrite(fd, static_cast<const char *>(buffer) + total, allowed - total,
                           handle->position + total);
        if (n < 0) {
            set_error_from_errno();
            handle->position += total;
            if (written)
                *written = total;
            return FALSE;
        }
        total += (DWORD)n;
    }
    handle->position += total;
    if (written)
        *written = total;
    if (total < to_write) {
        set_last_error(ERROR_DISK_FULL);
        return standin_short_write_succeeds();
    }
    return TRUE;
}

// The distance is the signed 64-bit value high:low when a high word is given, else the
// signed 32-bit low word. Returns the low word of the new position and stores its high
// word; a failure returns INVALID_SET_FILE_POINTER with the error set.
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method) {
    if (!file || file == INVALID_HANDLE_VALUE) {
        set_last_error(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t move = distance_high
                       ? (int64_t)(((uint64_t)(uint32_t)*distance_high << 32) | (uint32_t)distance)
                       : (int64_t)distance;
    auto *handle = static_cast<FileHandle *>(file);
    if (handle->fd < 0) { // a file of a null drive cannot be positioned
        set_last_error(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t base = 0;
    if (method == FILE_CURRENT) {
        base = handle->position;
    } else if (method == FILE_END) {
        struct stat st;
        if (fstat(handle->fd, &st) != 0) {
            set_error_from_errno();
            return INVALID_SET_FILE_POINTER;
        }
        base = st.st_size;
    }
    int64_t target = base + move;
    if (target < 0) {
        set_last_error(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    handle->position = target;
    if (distance_high)
        *distance_high = (LONG)(uint32_t)((uint64_t)target >> 32);
    set_last_error(NO_ERROR);
    return (DWORD)target;
}

BOOL CloseHandle(HANDLE object) {
    if (!object || object == INVALID_HANDLE_VALUE) {
        set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto *file = static_cast<FileHandle *>(object);
    int result = file->fd < 0 ? 0 : close(file->fd);
    delete file;
    if (result != 0 || standin_close_fails()) {
        set_last_error(ERROR_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
    std::string path = host_path(name);
    struct stat st;
    if (path.empty() || lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!(st.st_mode & S_IWUSR) || unlink(path.c_str()) != 0) {
        set_last_error(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    standin_forget_attributes(path);
    return TRUE;
}

// Fails when the target exists, as the platform's plain move does.
BOOL MoveFileA(LPCSTR from, LPCSTR to) {
    if (standin_file_call_fails(standin::FileCall::Move))
        return FALSE;
    std::string a = host_path(from), b = host_path(to);
    struct stat st;
    if (a.empty() || b.empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (lstat(b.c_str(), &st) == 0) {
        set_last_error(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (rename(a.c_str(), b.c_str()) != 0) {
        set_error_from_errno();
        return FALSE;
    }
    standin_move_attributes(a, b);
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) {
    directory_request_log.push_back(name);
    std::string path = host_path(name);
    if (path.empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (mkdir(path.c_str(), 0777) != 0) {
        set_error_from_errno();
        return FALSE;
    }
    return TRUE;
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 65535; attempt++) {
        unsigned number = unique ? unique : (++counter & 0xFFFF);
        if (number == 0)
            continue;
        size_t len = strlen(path);
        wsprintfA(name, "%s%s%.3s%X.TMP", path,
                  (len && (path[len - 1] == '\\' || path[len - 1] == '/')) ? "" : "\\", prefix,
                  number);
        if (unique)
            return number;
        HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return number;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    return 0;
}

BOOL GetVolumeInformationA(LPCSTR root, LPSTR volume_name, DWORD volume_name_size, LPDWORD serial,
                           LPDWORD max_length, LPDWORD flags, LPSTR fs_name, DWORD fs_name_size) {
    if (volume_query_fails || host_path(root).empty()) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (volume_name && volume_name_size)
        volume_name[0] = 0;
    if (serial)
        *serial = 0x1995;
    if (max_length)
        *max_length = max_component_length;
    if (flags)
        *flags = 0;
    if (fs_name && fs_name_size)
        lstrcpynA(fs_name, "STANDIN", (int)fs_name_size);
    return TRUE;
}

int standin_descriptor(HANDLE file) {
    return static_cast<FileHandle *>(file)->fd;
}
const std::string &standin_current_directory() {
    return current_directory;
}

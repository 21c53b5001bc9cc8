// kolvane-make's system layer on Windows (see platform.h): the wide API throughout, so that
// every name reaches the builder whole.
#include "platform.h"
#include "make_error.h"
#include "member.h"
#include "wide.h"

#include <fcntl.h>
#include <io.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

[[noreturn]] void refuse(const std::string &shown, const std::string &why) {
    throw MakeError("\"" + shown + "\": " + why);
}

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr uint8_t DOS_ATTRIBUTES =
    ATTRIBUTE_READ_ONLY | ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM | ATTRIBUTE_ARCHIVE;

// Seconds since 1970 from 100-nanosecond units since 1601, rounded down.
int64_t unix_time(FILETIME time) {
    constexpr int64_t TICKS = 10000000, FROM_1601 = 11644473600;
    uint64_t ticks = uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    return int64_t(ticks / TICKS) - FROM_1601;
}

// A descriptor for a handle, or -1 with errno set (the handle is then closed).
int descriptor_of(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        errno = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND     ? ENOENT
                : code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ? EACCES
                                                                                 : EIO;
        return -1;
    }
    int fd = _open_osfhandle((intptr_t)handle, flags | _O_BINARY);
    if (fd < 0)
        CloseHandle(handle);
    return fd;
}

} // namespace

// Opening the path follows symbolic links and junctions; the handle tells the attributes,
// times, size and identity of what they lead to.
DiskEntry describe(const std::string &path, const std::string &shown) {
    std::wstring name = wide(path);
    HANDLE handle = CreateFileW(name.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        DWORD own = GetFileAttributesW(name.c_str());
        if (own != INVALID_FILE_ATTRIBUTES && (own & FILE_ATTRIBUTE_REPARSE_POINT))
            refuse(shown, "the symbolic link points to nothing");
        refuse(shown, "cannot be read: " + error_text(code));
    }
    BY_HANDLE_FILE_INFORMATION information;
    BOOL known = GetFileInformationByHandle(handle, &information);
    DWORD code = GetLastError();
    DWORD type = GetFileType(handle);
    CloseHandle(handle);
    if (!known)
        refuse(shown, "cannot be read: " + error_text(code));
    DiskEntry entry;
    entry.folder = information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    entry.file = !entry.folder && type == FILE_TYPE_DISK;
    if (entry.file)
        entry.size = uint64_t(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
    entry.modified = unix_time(information.ftLastWriteTime);
    entry.attributes = uint8_t(information.dwFileAttributes & DOS_ATTRIBUTES);
    entry.volume = information.dwVolumeSerialNumber;
    entry.index = uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    return entry;
}

std::vector<std::string> folder_names(const std::string &folder, const std::string &shown) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(folder + "/*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        refuse(shown, "cannot be read: " + error_text(GetLastError()));
    std::vector<std::string> names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(utf8(name));
    } while (FindNextFileW(search, &found));
    DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES)
        refuse(shown, "cannot be read: " + error_text(code));
    return names;
}

int open_for_reading(const std::string &path) {
    HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return descriptor_of(handle, _O_RDONLY);
}

FILE *open_stream(const std::string &path, const char *mode) {
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

// In the temporary folder, under a name of this process, deleted by the system when its
// last handle closes: whatever ends the program, nothing is left behind.
ScratchFile::ScratchFile() {
    static std::atomic<unsigned> serial = 0;
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(GetTempPathW((DWORD)folder.size(), folder.data()));
    path_ = utf8(folder) + "kolvane-make-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(serial++) + ".tmp";
    HANDLE handle =
        CreateFileW(wide(path_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, SHARE_ALL, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw MakeError("a temporary file cannot be made: " + error_text(GetLastError()));
    fd_ = descriptor_of(handle, _O_RDWR);
    if (fd_ < 0)
        throw MakeError("a temporary file cannot be made: " + std::string(strerror(errno)));
}

bool error_is_console() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
}

void write_console(const std::string &text) {
    std::wstring line = wide(text);
    DWORD written;
    WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), line.data(), (DWORD)line.size(), &written,
                  nullptr);
}

} // namespace platform

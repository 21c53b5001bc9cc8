// The output file on Windows: the temporary file is created with delete sharing, so that a
// console event (Ctrl-C, Ctrl-Break, the console closed, logoff, shutdown) can delete it
// while it is open; the system removes it as the process ends.
#include "output_file.h"
#include "make_error.h"
#include "wide.h"

#include <fcntl.h>
#include <io.h>

#include <mutex>

namespace {

std::mutex pending_lock;
std::wstring pending_name; // the temporary file while it has no other name

BOOL WINAPI remove_pending(DWORD) {
    std::lock_guard hold(pending_lock);
    if (!pending_name.empty())
        DeleteFileW(pending_name.c_str());
    pending_name.clear();
    return FALSE; // the default handler ends the process
}

} // namespace

OutputFile::OutputFile(const std::string &path) : path_(path) {
    DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw MakeError("\"" + path + "\": is a folder");
    size_t separator = path.find_last_of("/\\:");
    std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    SetConsoleCtrlHandler(remove_pending, TRUE);
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    unsigned seed = GetTickCount() ^ GetCurrentProcessId() << 8;
    for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; attempt++) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, ".%06x", (seed + attempt * 0x9E3779B9u) & 0xFFFFFF);
        temporary_ = folder + "." + name + suffix;
        std::lock_guard hold(pending_lock);
        pending_name = wide(temporary_);
        handle = CreateFileW(pending_name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                             FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (handle == INVALID_HANDLE_VALUE)
            pending_name.clear();
    }
    if (handle == INVALID_HANDLE_VALUE)
        throw MakeError("\"" + path + "\": cannot be created: " + error_text(error));
    int fd = _open_osfhandle((intptr_t)handle, _O_RDWR | _O_BINARY);
    file_ = fd < 0 ? nullptr : _fdopen(fd, "w+b");
    if (!file_) {
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
        fail();
    }
    buffer_stream();
}

void OutputFile::remove_temporary() {
    std::lock_guard hold(pending_lock);
    if (!pending_name.empty())
        DeleteFileW(pending_name.c_str());
    pending_name.clear();
}

void OutputFile::truncate_here() {
    if (fflush(file_) != 0 || _chsize_s(_fileno(file_), ftello64(file_)) != 0)
        fail();
}

size_t OutputFile::read_at(uint64_t offset, void *data, size_t size) {
    int64_t at = ftello64(file_);
    if (at < 0 || fseeko64(file_, (int64_t)offset, SEEK_SET) != 0)
        fail();
    size_t got = fread(data, 1, size, file_);
    if (ferror(file_) || fseeko64(file_, at, SEEK_SET) != 0)
        fail();
    return got;
}

void OutputFile::commit() {
    if (fflush(file_) != 0 || !FlushFileBuffers((HANDLE)_get_osfhandle(_fileno(file_))))
        fail();
    int closed = fclose(file_);
    file_ = nullptr;
    if (closed != 0)
        fail();
    std::lock_guard hold(pending_lock);
    if (!MoveFileExW(pending_name.c_str(), wide(path_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw MakeError("\"" + path_ + "\": cannot be written: " + error_text(GetLastError()));
    pending_name.clear();
}

// kolvane-make's system layer on Linux (see platform.h).
#include "make_error.h"
#include "member.h"
#include "platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace platform {

namespace {

[[noreturn]] void refuse(const std::string &shown, const std::string &why) {
    throw MakeError("\"" + shown + "\": " + why);
}

std::string system_error(int code) {
    return std::string("cannot be read: ") + strerror(code);
}

// Samba and Wine keep the DOS attributes that POSIX has no bit for in this extended
// attribute, as text: "0x" and the attribute bits in hexadecimal (Samba may add a binary
// part after a NUL). Only hidden and system are taken from it: read-only follows the
// permissions, and every file carries archive.
uint8_t kept_attributes(const std::string &path) {
    char value[64] = {};
    ssize_t size = getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value - 1);
    if (size < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return 0;
    return uint8_t(strtoul(value + 2, nullptr, 16) & (ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM));
}

} // namespace

DiskEntry describe(const std::string &path, const std::string &shown) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        refuse(shown, system_error(errno));
    if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0)
        refuse(shown, "the symbolic link points to nothing");
    DiskEntry entry;
    entry.file = S_ISREG(st.st_mode);
    entry.folder = S_ISDIR(st.st_mode);
    entry.size = entry.file ? (uint64_t)st.st_size : 0;
    entry.modified = st.st_mtime;
    entry.attributes = kept_attributes(path);
    if (entry.file)
        entry.attributes |= ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0 : ATTRIBUTE_READ_ONLY);
    entry.volume = st.st_dev;
    entry.index = st.st_ino;
    return entry;
}

std::vector<std::string> folder_names(const std::string &folder, const std::string &shown) {
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        refuse(shown, system_error(errno));
    std::vector<std::string> names;
    errno = 0;
    while (dirent *entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    }
    int error = errno;
    closedir(dir);
    if (error)
        refuse(shown, system_error(error));
    return names;
}

int open_for_reading(const std::string &path) {
    return open(path.c_str(), O_RDONLY);
}

FILE *open_stream(const std::string &path, const char *mode) {
    return fopen(path.c_str(), mode);
}

// The file has no name from the start, so that nothing is left behind whatever ends the
// program; it is reached as /proc/self/fd/N.
ScratchFile::ScratchFile() {
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "kolvane-make-XXXXXX").string();
    if (error)
        pattern = "/tmp/kolvane-make-XXXXXX";
    fd_ = mkstemp(pattern.data());
    if (fd_ < 0)
        throw MakeError("a temporary file cannot be made: " + std::string(strerror(errno)));
    unlink(pattern.c_str());
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

bool error_is_console() {
    return isatty(STDERR_FILENO);
}

void write_console(const std::string &text) {
    fputs(text.c_str(), stderr);
}

} // namespace platform

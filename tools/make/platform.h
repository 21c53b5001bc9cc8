// What kolvane-make asks of the system it runs on. Each system has its own implementation
// (linux/, windows/), chosen by the build; the rest of the builder is the same everywhere and
// its output does not depend on the system. Paths and names are UTF-8 here, whatever the
// system keeps on disk; '/' separates folders on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// The builder, called by the system's entry point with the command line as UTF-8.
int kolvane_make(int argc, char **argv);

namespace platform {

// A path for std::filesystem and the file streams, from UTF-8 on every system.
inline std::filesystem::path native_path(const std::string &utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The stub that comes with this program.
std::string default_stub();

// A file or folder on disk, symbolic links followed.
struct DiskEntry {
    bool file = false, folder = false; // neither: a device, socket or pipe
    uint64_t size = 0;
    int64_t modified = 0;   // seconds since 1970 UTC
    uint8_t attributes = 0; // DOS attributes: read-only, hidden, system, archive
    // Two paths to the same folder have the same identity.
    uint64_t volume = 0, index = 0;
};

// What is at path; refuses (MakeError naming `shown`) what cannot be read, and a symbolic
// link that points to nothing.
DiskEntry describe(const std::string &path, const std::string &shown);

// The names in a folder, without "." and "..", in no particular order; refuses (MakeError
// naming `shown`) a folder that cannot be read.
std::vector<std::string> folder_names(const std::string &folder, const std::string &shown);

// A file opened for reading in binary mode: a descriptor for read() and lseek(), or -1 with
// errno set.
int open_for_reading(const std::string &path);

// A binary stdio stream on path (fopen's modes), or nullptr with errno set.
FILE *open_stream(const std::string &path, const char *mode);

// A file of the temporary folder that nobody else sees and that goes when the object does,
// whatever ends the program; open_for_reading(path()) reads it while it exists.
class ScratchFile {
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    std::string path() const;
    void write(const uint8_t *bytes, size_t size); // MakeError when it fails

  private:
    int fd_;
    std::string path_;
};

// Standard error is a console, and writes a UTF-8 text there as it is.
bool error_is_console();
void write_console(const std::string &text);

} // namespace platform

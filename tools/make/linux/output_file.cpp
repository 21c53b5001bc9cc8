#include "output_file.h"
#include "make_error.h"

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace {

// The one temporary file of the process, for the signal handler (which may only unlink).
char pending_name[PATH_MAX];

void remove_pending(int signal_number) {
    if (pending_name[0])
        unlink(pending_name);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

OutputFile::OutputFile(const std::string &path) : path_(path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw MakeError("\"" + path + "\": is a folder");
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    temporary_ = folder + "." + name + ".XXXXXX";
    if (temporary_.size() >= sizeof pending_name)
        throw MakeError("\"" + path + "\": the path is too long");
    // The ending signals wait while the file is created and its name recorded: one that came
    // in between would find no name to remove and leave the file behind.
    sigset_t ending, previous;
    sigemptyset(&ending);
    for (int signal_number : ENDING_SIGNALS) {
        std::signal(signal_number, remove_pending);
        sigaddset(&ending, signal_number);
    }
    pthread_sigmask(SIG_BLOCK, &ending, &previous);
    int fd = mkstemp(temporary_.data());
    int error = errno;
    if (fd >= 0)
        memcpy(pending_name, temporary_.c_str(), temporary_.size() + 1);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0)
        throw MakeError("\"" + path + "\": cannot be created: " + strerror(error));
    // A stream open for writing only: on one open for reading too, every seek (two per
    // member, to fill in its header) reads back the buffer-sized block of the file it lands
    // in. read_at reads through the descriptor, which mkstemp opened for both.
    file_ = fdopen(fd, "wb");
    if (!file_) {
        close(fd);
        fail();
    }
    buffer_stream();
}

void OutputFile::remove_temporary() {
    if (pending_name[0]) {
        unlink(pending_name);
        pending_name[0] = '\0';
    }
}

void OutputFile::truncate_here() {
    if (fflush(file_) != 0 || ftruncate(fileno(file_), ftello(file_)) != 0)
        fail();
}

size_t OutputFile::read_at(uint64_t offset, void *data, size_t size) {
    if (fflush(file_) != 0)
        fail();
    ssize_t got = pread(fileno(file_), data, size, (off_t)offset);
    if (got < 0)
        fail();
    return (size_t)got;
}

void OutputFile::commit() {
    mode_t mask = umask(0);
    umask(mask);
    if (fflush(file_) != 0 || fchmod(fileno(file_), 0777 & ~mask) != 0 || fsync(fileno(file_)) != 0)
        fail();
    int closed = fclose(file_);
    file_ = nullptr;
    if (closed != 0 || rename(temporary_.c_str(), path_.c_str()) != 0)
        fail();
    pending_name[0] = '\0';
}

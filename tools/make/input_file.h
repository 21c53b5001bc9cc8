// A file of the folder (or the source archive) open for reading.
#pragma once

#include "make_error.h"
#include "platform.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

// Closed when it goes out of scope. Every failure throws MakeError naming the file as shown.
class Input {
  public:
    Input(const std::string &path, const std::string &shown) : shown_(shown) {
        fd_ = platform::open_for_reading(path);
        if (fd_ < 0)
            fail();
    }
    ~Input() { close(fd_); }
    Input(const Input &) = delete;
    Input &operator=(const Input &) = delete;

    // Up to capacity bytes; 0 at the end.
    size_t read(uint8_t *buffer, size_t capacity) {
        ssize_t got;
        do
            got = ::read(fd_, buffer, capacity);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            fail();
        return (size_t)got;
    }

    void seek(uint64_t offset) {
        if (lseek(fd_, (off_t)offset, SEEK_SET) < 0)
            fail();
    }

  private:
    [[noreturn]] void fail() {
        throw MakeError("\"" + shown_ + "\": cannot be read: " + strerror(errno));
    }

    int fd_;
    std::string shown_;
};

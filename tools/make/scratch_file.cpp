// The part of platform::ScratchFile that is the same on every system: it is written through
// its descriptor.
#include "make_error.h"
#include "platform.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

ScratchFile::~ScratchFile() {
    close(fd_);
}

std::string ScratchFile::path() const {
    return path_;
}

void ScratchFile::write(const uint8_t *bytes, size_t size) {
    constexpr size_t PIECE = 1u << 30; // a count every system's write() takes
    while (size > 0) {
        auto done = ::write(fd_, bytes, (unsigned)(size > PIECE ? PIECE : size));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            throw MakeError("a temporary file cannot be written: " + std::string(strerror(errno)));
        bytes += done;
        size -= (size_t)done;
    }
}

} // namespace platform

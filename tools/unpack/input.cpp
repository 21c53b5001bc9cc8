// Telling a self-extractor from a plain archive by content, not by name.
//
// A self-extractor begins with "MZ", holds the configuration block at 512, and its
// archive_offset points past the block at a member header, at the single 0 byte that ends
// an empty archive, or at the end of the file. A plain archive has a member header (or
// that single 0 byte) at offset 0. A member header is recognised by its method id
// "-lh?-" or "-lz?-" at offset 2; whether it is a valid level-2 header is for the
// program's header reader to say, except that other levels get a message of their own.
#include "input.h"
#include "archive/header.h"
#include "execution_level.h"
#include "terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace {

enum Found { NOTHING, ARCHIVE_END, MEMBER_HEADER };

// What stands at `offset`: a member header, the end of an archive, or neither.
Found look_at(int fd, uint64_t offset, uint64_t size, uint8_t &level) {
    if (offset == size)
        return ARCHIVE_END;
    uint8_t bytes[HEADER_FIXED_SIZE];
    ssize_t got = pread(fd, bytes, sizeof bytes, (off_t)offset);
    if (got >= 1 && bytes[0] == 0 && offset + 1 == size)
        return ARCHIVE_END;
    if (got < (ssize_t)sizeof bytes)
        return NOTHING;
    const uint8_t *method = bytes + HEADER_METHOD;
    bool lzh = method[0] == '-' && method[1] == 'l' && (method[2] == 'h' || method[2] == 'z') &&
               method[4] == '-';
    level = bytes[HEADER_LEVEL];
    return lzh ? MEMBER_HEADER : NOTHING;
}

bool read_block(int fd, Input &input) {
    if (input.size < CONFIG_OFFSET + CONFIG_SIZE)
        return false;
    char mark[2];
    if (pread(fd, mark, 2, 0) != 2 || mark[0] != 'M' || mark[1] != 'Z')
        return false;
    return pread(fd, &input.config, CONFIG_SIZE, CONFIG_OFFSET) == (ssize_t)CONFIG_SIZE;
}

// The stub's image is everything before the archive; of a larger one than any stub only the
// first MiB is read.
std::string execution_level(int fd, uint32_t image_size) {
    constexpr uint32_t LARGEST_IMAGE = 1 << 20;
    Bytes image(std::min(image_size, LARGEST_IMAGE));
    if (pread(fd, image.data(), image.size(), 0) != (ssize_t)image.size())
        return "";
    size_t slot = find_level_slot(image);
    return slot ? level_in_slot(image, slot) : "";
}

bool classify(int fd, Input &input) {
    uint8_t level = 2;
    Found found = NOTHING;
    if (read_block(fd, input) && input.config.archive_offset >= CONFIG_OFFSET + CONFIG_SIZE &&
        input.config.archive_offset <= input.size) {
        found = look_at(fd, input.config.archive_offset, input.size, level);
        input.self_extractor = found != NOTHING;
    }
    if (input.self_extractor) {
        input.archive_offset = input.config.archive_offset;
        input.execution_level = execution_level(fd, input.archive_offset);
    } else {
        input.config = {};
        found = input.size ? look_at(fd, 0, input.size, level) : NOTHING;
    }
    if (found == NOTHING) {
        report(input.name + ": neither a self-extractor nor an LZH archive");
        return false;
    }
    if (found == MEMBER_HEADER && level != 2) {
        report(input.name + ": an LZH archive with level-" + std::to_string(level) +
               " headers; only level-2 archives can be read");
        return false;
    }
    return true;
}

} // namespace

bool inspect_input(const std::string &name, Input &input) {
    input.name = name;
    int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        report(name + ": " + strerror(errno));
        if (fd >= 0)
            close(fd);
        return false;
    }
    char probe;
    if (!S_ISREG(st.st_mode) || pread(fd, &probe, 1, 0) < 0) {
        report(name + ": " + (S_ISDIR(st.st_mode) ? strerror(EISDIR) : "not a regular file"));
        close(fd);
        return false;
    }
    input.size = (uint64_t)st.st_size;
    input.host_path = std::filesystem::absolute(name).string();
    bool known = classify(fd, input);
    close(fd);
    return known;
}

// The part of OutputFile that is the same on every system: the stream is a 64-bit stdio
// stream wherever it comes from.
#include "output_file.h"
#include "make_error.h"

#include <cerrno>
#include <cstring>

OutputFile::~OutputFile() {
    if (file_)
        fclose(file_);
    remove_temporary();
}

void OutputFile::buffer_stream() {
    static char buffer[1 << 20];
    setvbuf(file_, buffer, _IOFBF, sizeof buffer);
}

void OutputFile::fail() {
    throw MakeError("\"" + path_ + "\": cannot be written: " + strerror(errno));
}

void OutputFile::write(const void *data, size_t size) {
    if (fwrite(data, 1, size, file_) != size)
        fail();
}

uint64_t OutputFile::position() {
    int64_t at = ftello64(file_);
    if (at < 0)
        fail();
    return (uint64_t)at;
}

void OutputFile::seek(uint64_t offset) {
    if (fseeko64(file_, (int64_t)offset, SEEK_SET) != 0)
        fail();
}

#include "archive_writer.h"
#include "level2_header.h"
#include "make_error.h"

#include "crc16.h"
#include "lzh_encoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>

namespace {

constexpr uint64_t FOUR_GIB = uint64_t(1) << 32;
constexpr size_t CHUNK = 1 << 20;

// An open file for reading, closed when it goes out of scope.
class Input {
  public:
    Input(const std::string &path, const std::string &shown) : shown_(shown) {
        fd_ = open(path.c_str(), O_RDONLY);
        if (fd_ < 0)
            fail();
    }
    ~Input() { close(fd_); }
    Input(const Input &) = delete;
    Input &operator=(const Input &) = delete;

    // Up to capacity bytes; 0 at the end. Throws on a read error.
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

MemberData store_file(OutputFile &out, const Member &member) {
    Input input(member.disk_path, member.shown);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[CHUNK]);
    MemberData data;
    uint64_t total = 0;
    while (size_t got = input.read(buffer.get(), CHUNK)) {
        total += got;
        if (total >= FOUR_GIB)
            throw MakeError("\"" + member.shown + "\": grew to 4 GiB or more while being packed");
        data.crc = lzh::crc16_update(data.crc, buffer.get(), got);
        out.write(buffer.get(), got);
    }
    data.method = '0';
    data.compressed_size = data.original_size = (uint32_t)total;
    return data;
}

// Compresses the file into out. The compressed data is abandoned (and the file stored
// instead) as soon as it reaches the size the file had when it was scanned.
MemberData pack_file(OutputFile &out, const Member &member, char method) {
    uint64_t start = out.position();
    if (method != '0' && member.size > 0) {
        Input input(member.disk_path, member.shown);
        uint64_t written = 0;
        bool no_gain = false;
        std::exception_ptr failure;
        auto read = [&](uint8_t *buffer, size_t capacity, size_t &got) {
            try {
                got = input.read(buffer, capacity);
                return true;
            } catch (...) {
                failure = std::current_exception();
                return false;
            }
        };
        auto write = [&](const uint8_t *bytes, size_t size) {
            if (written + size >= member.size) {
                no_gain = true;
                return false;
            }
            try {
                out.write(bytes, size);
                written += size;
                return true;
            } catch (...) {
                failure = std::current_exception();
                return false;
            }
        };
        LzhEncodeResult result = lzh_encode_stream(method, read, write);
        if (failure)
            std::rethrow_exception(failure);
        if (result.ok && !no_gain && result.original_size < FOUR_GIB &&
            result.compressed_size < result.original_size) {
            MemberData data;
            data.method = method;
            data.compressed_size = (uint32_t)result.compressed_size;
            data.original_size = (uint32_t)result.original_size;
            data.crc = result.crc;
            return data;
        }
        out.seek(start);
        out.truncate_here();
    }
    return store_file(out, member);
}

MemberData copy_member(OutputFile &out, const Member &member, Input &source) {
    source.seek(member.data_offset);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[CHUNK]);
    for (uint64_t left = member.compressed_size; left > 0;) {
        size_t got = source.read(buffer.get(), left < CHUNK ? (size_t)left : CHUNK);
        if (got == 0)
            throw MakeError("\"" + member.shown + "\": the archive ends inside its data");
        out.write(buffer.get(), got);
        left -= got;
    }
    MemberData data;
    data.method = member.method;
    data.compressed_size = member.compressed_size;
    data.original_size = (uint32_t)member.size;
    data.crc = member.data_crc;
    return data;
}

MemberData write_data(OutputFile &out, const Member &member, const WriteSettings &settings,
                      std::unique_ptr<Input> &source) {
    MemberData data;
    switch (member.source) {
    case MemberSource::Directory:
        data.method = 'd';
        break;
    case MemberSource::Notice:
        out.write(member.text.data(), member.text.size());
        data.compressed_size = data.original_size = (uint32_t)member.text.size();
        data.crc = lzh::crc16_update(0, (const uint8_t *)member.text.data(), member.text.size());
        break;
    case MemberSource::File:
        data = pack_file(out, member, settings.method);
        break;
    case MemberSource::Copied:
        if (!source)
            source = std::make_unique<Input>(settings.source_archive, settings.source_archive);
        data = copy_member(out, member, *source);
        break;
    }
    return data;
}

} // namespace

ArchiveSummary write_members(OutputFile &out, const std::vector<Member> &members,
                             const WriteSettings &settings) {
    ArchiveSummary summary;
    uint64_t archive_start = out.position();
    std::unique_ptr<Input> source;
    for (const Member &member : members) {
        uint64_t header_at = out.position();
        MemberData placeholder;
        std::vector<uint8_t> header = level2_header(member, placeholder);
        out.write(header.data(), header.size());
        MemberData data = write_data(out, member, settings, source);
        uint64_t end = out.position();
        header = level2_header(member, data);
        out.seek(header_at);
        out.write(header.data(), header.size());
        out.seek(end);
        // The self-extractor passes over the notice without counting it in its progress.
        bool notice = &member == &members.front() && member.path() == NOTICE_NAME;
        if (!notice)
            summary.total_size += data.original_size;
        if (!settings.quiet)
            printf("  -lh%c- %10u %10u  %s\n", data.method, data.original_size,
                   data.compressed_size, member.shown.c_str());
    }
    out.write("", 1);
    summary.bytes = out.position() - archive_start;
    return summary;
}

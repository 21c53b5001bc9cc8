#include "archive_source.h"
#include "config_block.h"
#include "cp932.h"
#include "make_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "crc16.h"

namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE *)>;

uint16_t get16(const uint8_t *p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t get32(const uint8_t *p) {
    return get16(p) | uint32_t(get16(p + 2)) << 16;
}

// One member header as found, before its name becomes a member path.
struct RawHeader {
    int level = 0;
    uint64_t offset = 0; // where the header starts
    char method[6] = {};
    uint32_t compressed_size = 0;
    uint32_t original_size = 0;
    uint32_t time_field = 0; // Unix time at level 2, MS-DOS date and time below
    uint8_t attribute = 0;
    uint16_t data_crc = 0;
    std::string name;     // the file name, or the whole path at levels 0 and 1
    std::string dir_name; // extended header 0x02
    bool has_unix_time = false;
    uint32_t unix_time = 0;
    bool has_windows_time = false;
    uint64_t windows_time = 0; // 100 ns units since 1601
    bool too_large = false;    // extended header 0x42: sizes beyond 32 bits
    uint64_t data_offset = 0;
    uint32_t data_size = 0;
};

class ArchiveReader {
  public:
    explicit ArchiveReader(const std::string &path) : path_(path), file_(nullptr, fclose) {
        file_.reset(fopen(path.c_str(), "rb"));
        if (!file_ || fseeko(file_.get(), 0, SEEK_END) != 0)
            throw MakeError(path + ": cannot be read: " + strerror(errno));
        size_ = (uint64_t)ftello(file_.get());
    }

    uint64_t size() const { return size_; }

    // The bytes [offset, offset + count), or a damaged-header refusal if the file ends.
    std::vector<uint8_t> bytes(uint64_t offset, size_t count, uint64_t header_at) {
        std::vector<uint8_t> out(count);
        if (offset + count > size_ || fseeko(file_.get(), (off_t)offset, SEEK_SET) != 0 ||
            fread(out.data(), 1, count, file_.get()) != count)
            damaged(header_at);
        return out;
    }

    [[noreturn]] void damaged(uint64_t header_at) const {
        throw MakeError(path_ + ": damaged or truncated member header at offset " +
                        std::to_string(header_at));
    }

  private:
    std::string path_;
    FilePtr file_;
    uint64_t size_ = 0;
};

// Records what an extended header of level 1 or 2 tells (type byte at p, size bytes).
void take_extended(RawHeader &raw, const uint8_t *p, size_t size) {
    const uint8_t *data = p + 1;
    size_t length = size - 3;
    switch (p[0]) {
    case 0x01:
        raw.name.assign((const char *)data, length);
        break;
    case 0x02:
        raw.dir_name.assign((const char *)data, length);
        break;
    case 0x40:
        if (length >= 2)
            raw.attribute = data[0];
        break;
    case 0x41:
        if (length >= 16) {
            raw.has_windows_time = true;
            raw.windows_time = get32(data + 8) | uint64_t(get32(data + 12)) << 32;
        }
        break;
    case 0x42:
        raw.too_large = true;
        break;
    case 0x54:
        if (length >= 4) {
            raw.has_unix_time = true;
            raw.unix_time = get32(data);
        }
        break;
    }
}

// Walks a chain of extended headers inside block, from the size field at first. Returns
// false when a size is below 3 or the chain leaves the block. crc_at gets the position of
// a header CRC (type 0x00), or stays as it was.
bool walk_chain(RawHeader &raw, const std::vector<uint8_t> &block, size_t first, size_t &crc_at) {
    size_t at = first;
    for (;;) {
        if (at + 2 > block.size())
            return false;
        size_t size = get16(&block[at]);
        if (size == 0)
            return true;
        if (size < 3 || at + 2 + size > block.size())
            return false;
        const uint8_t *p = &block[at + 2];
        if (p[0] == 0x00 && size >= 5)
            crc_at = at + 3;
        take_extended(raw, p, size);
        at += size;
    }
}

// Level 0 and 1: a one-byte header size (without its first two bytes), a one-byte
// checksum of the rest, the name inside the fixed part. Level 1 follows it with a chain of
// extended headers that the compressed size counts as well.
//   0 size  1 checksum  2 method  7 compressed  11 original  15 DOS time  19 attribute
//  20 level  21 name length n  22 name  22+n data CRC
//  24+n level 0: optional extension ('U', version, u32 Unix time, mode, uid, gid)
//       level 1: OS id, u16 size of the first extended header
void read_level01(ArchiveReader &reader, RawHeader &raw, uint8_t first_byte) {
    size_t length = size_t(first_byte) + 2;
    if (length < 24)
        reader.damaged(raw.offset);
    std::vector<uint8_t> h = reader.bytes(raw.offset, length, raw.offset);
    unsigned sum = 0;
    for (size_t i = 2; i < length; i++)
        sum += h[i];
    size_t n = h[21];
    if ((sum & 0xFF) != h[1] || 24 + n > length || (raw.level == 1 && 27 + n > length))
        reader.damaged(raw.offset);
    raw.name.assign((const char *)&h[22], n);
    raw.data_crc = get16(&h[22 + n]);
    uint64_t chain_size = 0;
    if (raw.level == 0) {
        if (length >= 24 + n + 6 && h[24 + n] == 'U') {
            raw.has_unix_time = true;
            raw.unix_time = get32(&h[26 + n]);
        }
    } else {
        uint64_t at = raw.offset + length;
        size_t next = get16(&h[25 + n]);
        while (next != 0) {
            if (next < 3)
                reader.damaged(raw.offset);
            std::vector<uint8_t> ext = reader.bytes(at, next, raw.offset);
            take_extended(raw, ext.data(), next);
            at += next;
            chain_size += next;
            next = get16(&ext[next - 2]);
        }
    }
    if (chain_size > raw.compressed_size)
        reader.damaged(raw.offset);
    raw.data_offset = raw.offset + length + chain_size;
    raw.data_size = raw.compressed_size - (uint32_t)chain_size;
}

// Level 2: the layout the self-extractor reads (26-byte fixed part, extended headers
// inside the header size, header CRC checked when present).
void read_level2(ArchiveReader &reader, RawHeader &raw, const std::vector<uint8_t> &fixed) {
    size_t length = get16(&fixed[0]);
    if (length < 26)
        reader.damaged(raw.offset);
    std::vector<uint8_t> h = reader.bytes(raw.offset, length, raw.offset);
    raw.data_crc = get16(&h[21]);
    size_t crc_at = 0;
    if (!walk_chain(raw, h, 24, crc_at))
        reader.damaged(raw.offset);
    if (crc_at) {
        uint16_t stored = get16(&h[crc_at]);
        h[crc_at] = h[crc_at + 1] = 0;
        if (lzh::crc16_update(0, h.data(), h.size()) != stored)
            reader.damaged(raw.offset);
    }
    raw.data_offset = raw.offset + length;
    raw.data_size = raw.compressed_size;
}

uint32_t from_dos_time(uint32_t dos, const std::string &archive, const std::string &shown) {
    struct tm tm = {};
    tm.tm_sec = int(dos & 31) * 2;
    tm.tm_min = int(dos >> 5 & 63);
    tm.tm_hour = int(dos >> 11 & 31);
    tm.tm_mday = int(dos >> 16 & 31);
    tm.tm_mon = int(dos >> 21 & 15) - 1;
    tm.tm_year = int(dos >> 25) + 80;
    tm.tm_isdst = -1;
    time_t t = mktime(&tm);
    if (t < 0 || (uint64_t)t > UINT32_MAX)
        throw MakeError(archive + ": \"" + shown + "\": the MS-DOS time stamp cannot be converted");
    return (uint32_t)t;
}

uint32_t time_stamp_of(const RawHeader &raw, const std::string &archive, const std::string &shown) {
    if (raw.level == 2)
        return raw.time_field;
    if (raw.has_unix_time)
        return raw.unix_time;
    if (raw.has_windows_time) {
        constexpr uint64_t TICKS = 10000000, FROM_1601 = 11644473600;
        uint64_t seconds = raw.windows_time / TICKS;
        if (seconds >= FROM_1601 && seconds - FROM_1601 <= UINT32_MAX)
            return uint32_t(seconds - FROM_1601);
    }
    return from_dos_time(raw.time_field, archive, shown);
}

bool is_separator(uint8_t byte) {
    return byte == '/' || byte == '\\' || byte == 0xFF;
}

// Splits the stored path into components; refuses an absolute path and "..".
std::vector<std::string> components_of(const std::string &path, const std::string &archive) {
    std::vector<std::string> parts;
    std::string part;
    bool absolute = !path.empty() && is_separator((uint8_t)path[0]);
    for (size_t i = 0; i <= path.size(); i++) {
        if (i == path.size() || is_separator((uint8_t)path[i])) {
            if (part == "..")
                absolute = true;
            else if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
            continue;
        }
        part += path[i];
        if (cp932::is_lead_byte((uint8_t)path[i]) && i + 1 < path.size())
            part += path[++i];
    }
    if (absolute)
        throw MakeError(archive + ": \"" + cp932::for_display(path) +
                        "\": the member would be extracted outside the destination folder");
    return parts;
}

Member member_of(const RawHeader &raw, const std::string &archive) {
    std::string method(raw.method);
    std::vector<std::string> parts = components_of(raw.dir_name + raw.name, archive);
    Member member;
    bool directory = method == "-lhd-";
    for (size_t i = 0; i < parts.size(); i++) {
        bool last = i + 1 == parts.size();
        if (last && !directory)
            member.file_name = parts[i];
        else
            member.dir_name += parts[i] + '\xFF';
        member.shown += cp932::for_display(parts[i]) + (last && !directory ? "" : "/");
    }
    std::string where = archive + ": \"" + member.shown + "\": ";
    if (parts.empty() || (!directory && member.file_name.empty()))
        throw MakeError(archive + ": a member at offset " + std::to_string(raw.offset) +
                        " has no name");
    bool expandable = method.size() == 5 && method.compare(0, 3, "-lh") == 0 && method[4] == '-' &&
                      strchr("04567d", method[3]);
    if (!expandable)
        throw MakeError(where + "packed with " + cp932::for_display(method) +
                        ", which the self-extractor cannot expand (it knows -lh0-, -lh4- to "
                        "-lh7- and -lhd-)");
    if (raw.too_large)
        throw MakeError(where + "members of 4 GiB or more cannot be packed");
    member.source = directory ? MemberSource::Directory : MemberSource::Copied;
    member.method = method[3];
    member.time_stamp = time_stamp_of(raw, archive, member.shown);
    member.attribute = directory ? uint8_t(raw.attribute | ATTRIBUTE_DIRECTORY) : raw.attribute;
    member.size = directory ? 0 : raw.original_size;
    member.data_crc = raw.data_crc;
    member.data_offset = raw.data_offset;
    member.compressed_size = directory ? 0 : raw.data_size;
    return member;
}

// 0 for a plain archive; for a self-extractor the offset its configuration block names.
uint64_t archive_start(ArchiveReader &reader, const std::string &path) {
    if (reader.size() < 2 || reader.bytes(0, 2, 0) != std::vector<uint8_t>{'M', 'Z'})
        return 0;
    size_t marker = strlen(STUB_MARKER);
    if (reader.size() < CONFIG_OFFSET + CONFIG_SIZE ||
        memcmp(reader.bytes(MARKER_OFFSET, marker, 0).data(), STUB_MARKER, marker) != 0)
        throw MakeError(path + ": a program, but not a Kolvane 95 self-extractor");
    uint64_t offset = get32(reader.bytes(CONFIG_OFFSET, 4, 0).data());
    if (offset == 0)
        throw MakeError(path + ": a stub without an archive, not a self-extractor");
    return offset;
}

} // namespace

std::vector<Member> read_archive(const std::string &path) {
    ArchiveReader reader(path);
    std::vector<Member> members;
    uint64_t offset = archive_start(reader, path);
    while (offset < reader.size()) {
        std::vector<uint8_t> first = reader.bytes(offset, 1, offset);
        if (first[0] == 0)
            break;
        std::vector<uint8_t> fixed = reader.bytes(offset, 22, offset);
        RawHeader raw;
        raw.offset = offset;
        raw.level = fixed[20];
        memcpy(raw.method, &fixed[2], 5);
        raw.compressed_size = get32(&fixed[7]);
        raw.original_size = get32(&fixed[11]);
        raw.time_field = get32(&fixed[15]);
        raw.attribute = fixed[19];
        if (raw.level == 0 || raw.level == 1)
            read_level01(reader, raw, first[0]);
        else if (raw.level == 2)
            read_level2(reader, raw, reader.bytes(offset, 26, offset));
        else
            throw MakeError(path + ": the member header at offset " + std::to_string(offset) +
                            " has level " + std::to_string(raw.level) +
                            "; only levels 0, 1 and 2 can be read");
        if (raw.data_offset + raw.data_size > reader.size())
            throw MakeError(path + ": the archive ends inside the data of the member at offset " +
                            std::to_string(offset));
        members.push_back(member_of(raw, path));
        offset = raw.data_offset + raw.data_size;
    }
    return members;
}

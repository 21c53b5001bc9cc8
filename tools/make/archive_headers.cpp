#include "archive_headers.h"
#include "config_block.h"
#include "make_error.h"
#include "platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "crc16.h"
#include "format/member_header.h"

namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE *)>;

// Level 3 has a fixed part of 32 bytes: the level-2 layout up to the OS id, then a 32-bit
// header size at 24 and the first 32-bit extended-header size at 28.
constexpr size_t LEVEL3_FIXED_SIZE = 32;
// A level-3 header size beyond this is taken for damage rather than read into memory.
constexpr uint64_t LEVEL3_LARGEST = 1 << 20;

// How far a level-2 extended-header chain may run past the header size it is read for
// (one archiver counts its header two bytes short).
constexpr size_t CHAIN_OVERRUN = 8;

class ArchiveReader {
  public:
    explicit ArchiveReader(const std::string &path) : path_(path), file_(nullptr, fclose) {
        file_.reset(platform::open_stream(path, "rb"));
        if (!file_ || fseeko(file_.get(), 0, SEEK_END) != 0)
            throw MakeError(path + ": cannot be read: " + strerror(errno));
        size_ = (uint64_t)ftello(file_.get());
    }

    uint64_t size() const { return size_; }
    const std::string &path() const { return path_; }

    // The bytes [offset, offset + count), or a damaged-header refusal if the file ends.
    std::vector<uint8_t> bytes(uint64_t offset, size_t count, uint64_t header_at) {
        std::vector<uint8_t> out(count);
        if (offset > size_ || count > size_ - offset ||
            fseeko(file_.get(), (off_t)offset, SEEK_SET) != 0 ||
            fread(out.data(), 1, count, file_.get()) != count)
            damaged(header_at);
        return out;
    }

    // Whether what stands at offset may end the archive or begin a member header: the end
    // of the file, the closing 0 byte, or a method id "-???-".
    bool header_or_end_at(uint64_t offset) {
        if (offset == size_)
            return true;
        if (offset > size_)
            return false;
        std::vector<uint8_t> b = bytes(offset, size_t(std::min<uint64_t>(7, size_ - offset)), 0);
        return b[0] == 0 || (b.size() == 7 && b[2] == '-' && b[6] == '-');
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

// Records what an extended header carries (type byte at p, length bytes of data after it).
void take_extended(RawHeader &raw, const uint8_t *p, size_t length) {
    const uint8_t *data = p + 1;
    switch (p[0]) {
    case EXT_FILE_NAME:
        raw.name.assign((const char *)data, length);
        break;
    case EXT_DIR_NAME:
        raw.dir_name.assign((const char *)data, length);
        break;
    case 0x40:
        if (length >= 2)
            raw.attribute = data[0];
        break;
    case 0x41:
        if (length >= 16) {
            raw.has_windows_time = true;
            raw.windows_time = read_u32(data + 8) | uint64_t(read_u32(data + 12)) << 32;
        }
        break;
    case 0x42:
        raw.too_large = true;
        break;
    case 0x54:
        if (length >= 4) {
            raw.has_unix_time = true;
            raw.unix_time = read_u32(data);
        }
        break;
    }
}

// Walks a chain of extended headers inside block, from the size field at `first`; size
// fields are `width` bytes (2 at level 2, 4 at level 3), and each size counts the type
// byte, the data and the next size field. Returns the position just past the closing 0
// size field, or 0 when a size is too small or the chain leaves the block. crc_at gets the
// position of a header CRC (type 0x00), or stays as it was.
size_t walk_chain(RawHeader &raw, const std::vector<uint8_t> &block, size_t first, size_t width,
                  size_t &crc_at) {
    size_t at = first;
    for (;;) {
        if (at + width > block.size())
            return 0;
        uint64_t size = width == 2 ? read_u16(&block[at]) : read_u32(&block[at]);
        if (size == 0)
            return at + width;
        if (size < width + 1 || size > block.size() - at - width)
            return 0;
        const uint8_t *p = &block[at + width];
        if (p[0] == EXT_HEADER_CRC && size >= width + 3)
            crc_at = at + width + 1;
        take_extended(raw, p, size - width - 1);
        at += size;
    }
}

// Whether the header CRC stored at crc_at is that of block[0, length).
bool crc_matches(std::vector<uint8_t> block, size_t crc_at, size_t length) {
    if (crc_at + 2 > length)
        return false;
    uint16_t stored = read_u16(&block[crc_at]);
    block[crc_at] = block[crc_at + 1] = 0;
    return lzh::crc16_update(0, block.data(), length) == stored;
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
    raw.data_crc = read_u16(&h[22 + n]);
    uint64_t chain_size = 0;
    if (raw.level == 0) {
        if (length >= 24 + n + 6 && h[24 + n] == 'U') {
            raw.has_unix_time = true;
            raw.unix_time = read_u32(&h[26 + n]);
        }
    } else {
        uint64_t at = raw.offset + length;
        size_t next = read_u16(&h[25 + n]);
        while (next != 0) {
            if (next < 3 || chain_size + next > raw.compressed_size)
                reader.damaged(raw.offset);
            std::vector<uint8_t> ext = reader.bytes(at, next, raw.offset);
            take_extended(raw, ext.data(), next - 3);
            at += next;
            chain_size += next;
            next = read_u16(&ext[next - 2]);
        }
    }
    raw.data_offset = raw.offset + length + chain_size;
    raw.data_size = raw.compressed_size - (uint32_t)chain_size;
}

// Level 2: a 26-byte fixed part and extended headers with 16-bit sizes, all inside the
// header size; level 3: a 32-byte fixed part with a 32-bit header size at 24, and 32-bit
// extended-header sizes from 28 on. Either way the header CRC is checked when present.
// A level-2 chain that runs a few bytes past the header size is read to its end when it is
// whole and the archive goes on with a header (or ends) right after the data it implies.
void read_level23(ArchiveReader &reader, RawHeader &raw, const std::vector<uint8_t> &fixed) {
    bool three = raw.level == 3;
    uint64_t length = three ? read_u32(&fixed[24]) : read_u16(&fixed[0]);
    size_t fixed_size = three ? LEVEL3_FIXED_SIZE : size_t(HEADER_FIXED_SIZE);
    if (length < fixed_size || length > reader.size() - raw.offset || length > LEVEL3_LARGEST)
        reader.damaged(raw.offset);
    uint64_t room = three ? length : std::min(length + CHAIN_OVERRUN, reader.size() - raw.offset);
    std::vector<uint8_t> h = reader.bytes(raw.offset, (size_t)room, raw.offset);
    raw.data_crc = read_u16(&h[21]);
    if (three)
        raw.time_field = read_u32(&h[15]);
    size_t crc_at = 0;
    size_t chain_end = walk_chain(raw, h, fixed_size - (three ? 4 : 2), three ? 4 : 2, crc_at);
    if (chain_end == 0)
        reader.damaged(raw.offset);
    if (chain_end > length) {
        if (!reader.header_or_end_at(raw.offset + chain_end + raw.compressed_size))
            reader.damaged(raw.offset);
        if (crc_at && !crc_matches(h, crc_at, chain_end) && !crc_matches(h, crc_at, length))
            reader.damaged(raw.offset);
        length = chain_end;
    } else if (crc_at && !crc_matches(h, crc_at, (size_t)length)) {
        reader.damaged(raw.offset);
    }
    raw.data_offset = raw.offset + length;
    raw.data_size = raw.compressed_size;
}

} // namespace

uint64_t archive_start(const std::string &path) {
    ArchiveReader reader(path);
    if (reader.size() < 2 || reader.bytes(0, 2, 0) != std::vector<uint8_t>{'M', 'Z'})
        return 0;
    size_t marker = strlen(STUB_MARKER);
    if (reader.size() < CONFIG_OFFSET + CONFIG_SIZE ||
        memcmp(reader.bytes(MARKER_OFFSET, marker, 0).data(), STUB_MARKER, marker) != 0)
        throw MakeError(path + ": a program, but not a Kolvane 95 self-extractor");
    uint64_t offset = read_u32(reader.bytes(CONFIG_OFFSET, 4, 0).data());
    if (offset == 0)
        throw MakeError(path + ": a stub without an archive, not a self-extractor");
    if (offset >= reader.size())
        throw MakeError(path + ": the archive offset " + std::to_string(offset) +
                        " lies at or past the end of the file (" + std::to_string(reader.size()) +
                        " bytes); the self-extractor is cut short");
    return offset;
}

std::vector<RawHeader> read_raw_headers(const std::string &path, uint64_t start) {
    ArchiveReader reader(path);
    std::vector<RawHeader> headers;
    uint64_t offset = start;
    while (offset < reader.size()) {
        std::vector<uint8_t> first = reader.bytes(offset, 1, offset);
        if (first[0] == 0)
            break;
        std::vector<uint8_t> fixed = reader.bytes(offset, 22, offset);
        RawHeader raw;
        raw.offset = offset;
        raw.level = fixed[20];
        raw.method.assign((const char *)&fixed[2], 5);
        raw.compressed_size = read_u32(&fixed[7]);
        raw.original_size = read_u32(&fixed[11]);
        raw.time_field = read_u32(&fixed[15]);
        raw.attribute = fixed[19];
        if (raw.level == 0 || raw.level == 1)
            read_level01(reader, raw, first[0]);
        else if (raw.level == 2 || raw.level == 3)
            read_level23(
                reader, raw,
                reader.bytes(offset, raw.level == 3 ? LEVEL3_FIXED_SIZE : size_t(HEADER_FIXED_SIZE),
                             offset));
        else
            throw MakeError(path + ": the member header at offset " + std::to_string(offset) +
                            " has level " + std::to_string(raw.level) +
                            "; only levels 0 to 3 exist");
        if (raw.data_offset + raw.data_size > reader.size())
            throw MakeError(path + ": the archive ends inside the data of the member at offset " +
                            std::to_string(offset));
        offset = raw.data_offset + raw.data_size;
        headers.push_back(std::move(raw));
    }
    if (headers.empty())
        throw MakeError(
            path +
            (reader.size() == 0 ? ": the file is empty" : ": holds no member; not an LZH archive") +
            (start ? " (archive offset " + std::to_string(start) + ")" : ""));
    return headers;
}

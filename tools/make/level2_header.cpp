#include "level2_header.h"

#include "crc16.h"
#include "startup/state.h"

namespace {

void put16(std::vector<uint8_t> &out, unsigned value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Type and data; the size field that follows it is written by the next one (or the end).
void put_extended(std::vector<uint8_t> &out, uint8_t type, const std::string &data) {
    put16(out, unsigned(data.size() + 3));
    out.push_back(type);
    out.insert(out.end(), data.begin(), data.end());
}

constexpr size_t FIXED_SIZE = 26;
constexpr size_t CRC_FIELD = FIXED_SIZE + 1; // the data of the first extended header
// Fixed part, three extended headers and the closing size field, at the longest path that
// the planning lets through: far below the 16-bit header size.
static_assert(FIXED_SIZE + 5 + 3 + 3 + (MEMBER_PATH_SIZE - 1) < 0x10000);

} // namespace

// Little-endian, all sizes in bytes:
//
//   0 u16 header size (everything below)     2 "-lh?-"          7 u32 compressed size
//  11 u32 original size   15 u32 time stamp (seconds since 1970 UTC)   19 u8 DOS attributes
//  20 u8 level 2          21 u16 data CRC    23 u8 OS id 'w'    24 u16 size of the next
//  26 0x00 header CRC: u16 CRC-16 of the whole header with this field 0, u16 next size
//     0x01 file name (absent for a directory), u16 next size
//     0x02 directory name, components each followed by 0xFF (absent at the top), u16 0
//
// Byte 19 is the only attribute the self-extractor applies; lhasa and 7-Zip accept any
// value there and neither reads an attribute header (0x40), so none is written. Nor is
// the padding byte that some writers add when the header size is a multiple of 256 (its
// low byte would then read as an end mark to a level-0 reader): 7-Zip takes the data to
// begin where the extended headers end, and all three readers take such a header as it is.
// The OS id is 'w' (Windows 95), not 'M': for an MS-DOS member lhasa writes names that are
// all capitals in lower case, while the self-extractor ignores the id.
std::vector<uint8_t> level2_header(const Member &member, const MemberData &data) {
    std::vector<uint8_t> header;
    put16(header, 0);
    const char method[] = {'-', 'l', 'h', data.method, '-'};
    header.insert(header.end(), method, method + 5);
    put32(header, data.compressed_size);
    put32(header, data.original_size);
    put32(header, member.time_stamp);
    header.push_back(member.attribute);
    header.push_back(2);
    put16(header, data.crc);
    header.push_back('w');
    put_extended(header, 0x00, std::string(2, '\0'));
    if (!member.file_name.empty())
        put_extended(header, 0x01, member.file_name);
    if (!member.dir_name.empty())
        put_extended(header, 0x02, member.dir_name);
    put16(header, 0);
    header[0] = uint8_t(header.size());
    header[1] = uint8_t(header.size() >> 8);
    uint16_t crc = lzh::crc16_update(0, header.data(), header.size());
    header[CRC_FIELD] = uint8_t(crc);
    header[CRC_FIELD + 1] = uint8_t(crc >> 8);
    return header;
}

#include "level2_header.h"

#include "crc16.h"
#include "format/limits.h"
#include "format/member_header.h"

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

constexpr size_t CRC_FIELD = HEADER_FIXED_SIZE + 1; // the data of the first extended header
// Fixed part, three extended headers and the closing size field, at the longest path that
// the planning lets through: far below the 16-bit header size.
static_assert(HEADER_FIXED_SIZE + 5 + 3 + 3 + (MEMBER_PATH_SIZE - 1) < 0x10000);

} // namespace

// The layout is format/member_header.h's; the header CRC comes first, then the file name
// (absent for a directory), then the directory name (absent at the top).
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
    header.push_back(HEADER_LEVEL_2);
    put16(header, data.crc);
    header.push_back('w');
    put_extended(header, EXT_HEADER_CRC, std::string(2, '\0'));
    if (!member.file_name.empty())
        put_extended(header, EXT_FILE_NAME, member.file_name);
    if (!member.dir_name.empty())
        put_extended(header, EXT_DIR_NAME, member.dir_name);
    put16(header, 0);
    header[0] = uint8_t(header.size());
    header[1] = uint8_t(header.size() >> 8);
    uint16_t crc = lzh::crc16_update(0, header.data(), header.size());
    header[CRC_FIELD] = uint8_t(crc);
    header[CRC_FIELD + 1] = uint8_t(crc >> 8);
    return header;
}

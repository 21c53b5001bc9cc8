// Level-2 member headers as the self-extractor reads them.
#pragma once

#include "member.h"

#include <cstdint>
#include <vector>

// What the fixed part of a header says about the member's data.
struct MemberData {
    char method = '0'; // the letter of "-lh?-": '0', '4' to '7', or 'd'
    uint32_t compressed_size = 0;
    uint32_t original_size = 0;
    uint16_t crc = 0; // CRC-16 of the original data
};

// The complete header of member, header CRC filled in. Its size depends on the names
// only, so a header written before the data is known can be rewritten in place.
std::vector<uint8_t> level2_header(const Member &member, const MemberData &data);

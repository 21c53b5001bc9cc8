// Reading the members of a plain LZH archive (header levels 0, 1 and 2), enough to reach each
// member's method, sizes and packed data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct LzhMember {
    std::string method;
    std::uint64_t original_size = 0;
    std::uint16_t crc = 0; // CRC-16/ARC of the original data
    std::span<const std::uint8_t> packed;
};

// The members of `archive` in order; false when a header is not one of those levels or runs
// past the end.
bool read_members(std::span<const std::uint8_t> archive, std::vector<LzhMember> &members);

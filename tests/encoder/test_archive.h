// Minimal level-2 LZH archives around encoder output, for the independent archivers.
#pragma once

#include "tests/support/crc16.h"

#include <cstdint>
#include <string>
#include <vector>

struct ArchiveMember {
    std::string name;
    char method; // '4' to '7'
    std::vector<uint8_t> original;
    std::vector<uint8_t> packed;
};

// The members, each a level-2 header (fixed part, header-CRC and file-name extended headers)
// followed by its packed data, and the 0 byte that ends the archive.
std::vector<uint8_t> make_archive(const std::vector<ArchiveMember> &members);

// Level-2 member headers, little-endian, sizes in bytes:
//
//   0      2         7        11       15     19   20    21      23   24        26
//   +------+---------+--------+--------+------+----+-----+-------+----+---------+----------
//   | size | method  | packed | orig.  | time | at | lvl | d.crc | os | ext size| ext ...
//   +------+---------+--------+--------+------+----+-----+-------+----+---------+----------
//
// size counts the whole header, extended headers included; method is "-lh?-"; time is in
// seconds since 1970 (UTC); at holds the DOS attributes; d.crc is the CRC-16 of the original
// data. Each extended header: type byte, data, u16 size of the next one (0 ends the chain);
// its own size counts all three.
#pragma once

#include "format/little_endian.h"

#include <stdint.h>

enum : uint32_t {
    HEADER_SIZE = 0,            // u16
    HEADER_METHOD = 2,          // "-lh?-"
    HEADER_METHOD_LETTER = 5,   // the '?' of it
    HEADER_COMPRESSED_SIZE = 7, // u32
    HEADER_ORIGINAL_SIZE = 11,  // u32
    HEADER_TIME_STAMP = 15,     // u32
    HEADER_ATTRIBUTE = 19,      // u8
    HEADER_LEVEL = 20,          // u8, 2
    HEADER_DATA_CRC = 21,       // u16
    HEADER_OS_ID = 23,          // u8
    HEADER_FIRST_EXT_SIZE = 24, // u16
    HEADER_FIXED_SIZE = 26,
};

constexpr uint8_t HEADER_LEVEL_2 = 2;

// Extended header types: the header CRC (u16, the CRC-16 of the whole header with this
// field 0), the file name, and the directory name (components each followed by 0xFF).
enum : uint8_t {
    EXT_HEADER_CRC = 0x00,
    EXT_FILE_NAME = 0x01,
    EXT_DIR_NAME = 0x02,
};

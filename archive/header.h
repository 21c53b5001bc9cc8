// Level-2 member headers.
//
//   0      2         7        11       15     19   20    21      23   24        26
//   +------+---------+--------+--------+------+----+-----+-------+----+---------+----------
//   | size | method  | packed | orig.  | time | at | lvl | d.crc | os | ext size| ext ...
//   +------+---------+--------+--------+------+----+-----+-------+----+---------+----------
//
// Each extended header: type byte, data, u16 size of the next one (0 ends the chain); its
// own size counts all three.
#pragma once

#include <stdint.h>

enum : uint32_t {
    HEADER_SIZE = 0,
    HEADER_METHOD = 2,
    HEADER_METHOD_LETTER = 5,
    HEADER_COMPRESSED_SIZE = 7,
    HEADER_ORIGINAL_SIZE = 11,
    HEADER_TIME_STAMP = 15,
    HEADER_ATTRIBUTE = 19,
    HEADER_LEVEL = 20,
    HEADER_DATA_CRC = 21,
    HEADER_OS_ID = 23,
    HEADER_FIRST_EXT_SIZE = 24,
    HEADER_FIXED_SIZE = 26,
};

enum { HEADER_READY, HEADER_END, HEADER_FAILED };

inline uint16_t read_u16(const uint8_t *p) {
    return (uint16_t)(p[0] | p[1] << 8);
}
inline uint32_t read_u32(const uint8_t *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Reads, checks and parses the next member header at the archive's position. Returns
// HEADER_READY (state.header and state.member_path describe the member, the archive
// stands at its data), HEADER_END (nothing shown) or HEADER_FAILED (message shown,
// state.failed set; state.header may still hold the block).
int read_member_header();

// Records what one extended header carries: `type` points at its type byte, `size`
// counts type byte, data and the trailing size field.
void take_extended_header(uint8_t *type, uint32_t size);

// Frees state.header and sets it to none.
void release_header();

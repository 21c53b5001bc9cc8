// Writes level-2 LZH member headers field by field for tests, apart from the program's own
// header code. Every field is a plain value, so a test can also write headers that are
// wrong on purpose: another level, no header-CRC extension, any extended headers, padding
// after the chain, and (by editing the bytes after sealing) a wrong size or CRC.
//
// Level-2 header, little-endian:
//    0 u16 header size, all of it (fixed part, extended headers, padding)
//    2 5 bytes method id, "-lh5-"
//    7 u32 bytes of data after the header
//   11 u32 bytes after expansion
//   15 u32 time stamp, seconds since 1970
//   19 u8  MS-DOS attribute
//   20 u8  header level
//   21 u16 CRC-16 of the expanded data
//   23 u8  id of the system that made the member
//   24 u16 size of the first extended header, 0 for none
// then each extended header: u8 type, its data, u16 size of the next (0 ends the chain);
// a size counts the type byte, the data and that next-size field. Type 0x00 holds the
// CRC-16 of the whole header taken with that value as 0; 0x01 the file name; 0x02 the
// directory name, 0xFF between (and after) its parts.
#pragma once

#include "tests/support/crc16.h"

#include <stdint.h>
#include <string>
#include <vector>

struct HeaderExtension {
    uint8_t type;
    std::string data;
};

inline HeaderExtension crc_extension() {
    return {0x00, std::string(2, '\0')}; // value set by seal()
}
inline HeaderExtension file_name(const std::string &name) {
    return {0x01, name};
}
inline HeaderExtension dir_name(const std::string &name) {
    return {0x02, name};
}

struct HeaderFields {
    std::string method = "-lh0-"; // only its first 5 bytes are written
    uint32_t compressed_size = 0;
    uint32_t original_size = 0;
    uint32_t time_stamp = 0;
    uint8_t attribute = 0x20;
    uint8_t level = 2;
    uint16_t data_crc = 0;
    uint8_t os_id = 'M';
    std::vector<HeaderExtension> extensions{crc_extension()};
    size_t padding = 0; // zero bytes after the chain, counted in the header size
};

// A laid-out header and where the value of its last header-CRC extension stands (the one
// a reader checks), or -1.
struct LaidOutHeader {
    std::vector<uint8_t> bytes;
    long crc_at = -1;
};

inline void put_u16(std::vector<uint8_t> &out, uint32_t value) {
    out.push_back((uint8_t)value);
    out.push_back((uint8_t)(value >> 8));
}
inline void put_u32(std::vector<uint8_t> &out, uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}

// The header with its size set and its CRC field(s) as given in the extensions.
inline LaidOutHeader lay_out(const HeaderFields &f) {
    LaidOutHeader h;
    std::vector<uint8_t> &b = h.bytes;
    put_u16(b, 0); // header size, set at the end
    for (size_t i = 0; i < 5; i++)
        b.push_back((uint8_t)f.method[i]);
    put_u32(b, f.compressed_size);
    put_u32(b, f.original_size);
    put_u32(b, f.time_stamp);
    b.push_back(f.attribute);
    b.push_back(f.level);
    put_u16(b, f.data_crc);
    b.push_back(f.os_id);
    for (const HeaderExtension &e : f.extensions) {
        put_u16(b, (uint32_t)e.data.size() + 3);
        b.push_back(e.type);
        if (e.type == 0x00)
            h.crc_at = (long)b.size();
        b.insert(b.end(), e.data.begin(), e.data.end());
    }
    put_u16(b, 0);
    b.insert(b.end(), f.padding, 0);
    b[0] = (uint8_t)b.size();
    b[1] = (uint8_t)(b.size() >> 8);
    return h;
}

// Stores the CRC of the header, taken with the checked CRC field set to 0, in that field.
inline void seal(LaidOutHeader &h) {
    if (h.crc_at < 0)
        return;
    h.bytes[h.crc_at] = h.bytes[h.crc_at + 1] = 0;
    uint16_t crc = bitwise_crc16(h.bytes);
    h.bytes[h.crc_at] = (uint8_t)crc;
    h.bytes[h.crc_at + 1] = (uint8_t)(crc >> 8);
}

inline LaidOutHeader sealed(const HeaderFields &f) {
    LaidOutHeader h = lay_out(f);
    seal(h);
    return h;
}

// Little-endian fields of the archive and the configuration block, read byte by byte so
// that neither alignment nor the machine's byte order matters.
#pragma once

#include <stdint.h>

inline uint16_t read_u16(const uint8_t *p) {
    return (uint16_t)(p[0] | p[1] << 8);
}
inline uint32_t read_u32(const uint8_t *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

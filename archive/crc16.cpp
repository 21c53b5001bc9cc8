// CRC-16 of headers and member data.
#include "archive/crc16.h"
#include "process/state.h"

// Slicing by eight. state.crc16_table is the byte table T0; entry i of slice_tables[k - 1]
// (Tk) is the remainder of byte i followed by k zero bytes:
//
//     Tk[i] = (Tk-1[i] >> 8) ^ T0[Tk-1[i] & 0xFF]
//
// Because the remainder is linear, eight bytes b0..b7 fed to a 16-bit crc give
//
//     T7[b0 ^ crc & 0xFF] ^ T6[b1 ^ crc >> 8] ^ T5[b2] ^ ... ^ T0[b7]
//
// which is what eight single-byte steps give. Bytes are loaded one by one, so the result
// does not depend on alignment or byte order.
constexpr int SLICES = 8;
static uint16_t slice_tables[SLICES - 1][256];

void crc16_build_table(uint16_t poly) {
    for (int i = 0; i < 256; i++) {
        uint16_t r = (uint16_t)i;
        for (int bit = 0; bit < 8; bit++)
            r = (r & 1) ? (uint16_t)((r >> 1) ^ poly) : (uint16_t)(r >> 1);
        state.crc16_table[i] = r;
    }
    const uint16_t *previous = state.crc16_table;
    for (int k = 0; k < SLICES - 1; k++) {
        for (int i = 0; i < 256; i++)
            slice_tables[k][i] =
                (uint16_t)((previous[i] >> 8) ^ state.crc16_table[previous[i] & 0xFF]);
        previous = slice_tables[k];
    }
}

uint16_t crc16_table_update(uint16_t crc, const void *data, int32_t length) {
    const uint8_t *p = static_cast<const uint8_t *>(data);
    const uint16_t *t0 = state.crc16_table;
    const uint16_t(*t)[256] = slice_tables;
    uint32_t r = crc;
    for (; length >= SLICES; length -= SLICES, p += SLICES)
        r = t[6][(p[0] ^ r) & 0xFF] ^ t[5][p[1] ^ (r >> 8)] ^ t[4][p[2]] ^ t[3][p[3]] ^ t[2][p[4]] ^
            t[1][p[5]] ^ t[0][p[6]] ^ t0[p[7]];
    for (; length > 0; length--, p++)
        r = t0[(r ^ *p) & 0xFF] ^ (r >> 8);
    return (uint16_t)r;
}

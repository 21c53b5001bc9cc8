// CRC-16 of headers and member data.
#include "archive/crc16.h"
#include "process/state.h"

// Slicing by sixteen. state.crc16_table is the byte table T0; entry i of slice_tables[k]
// (Tk) is the remainder of byte i followed by k zero bytes:
//
//     Tk[i] = (Tk-1[i] >> 8) ^ T0[Tk-1[i] & 0xFF]
//
// Because the remainder is linear, sixteen bytes b0..b15 fed to a 16-bit crc give
//
//     T15[b0 ^ crc & 0xFF] ^ T14[b1 ^ crc >> 8] ^ T13[b2] ^ ... ^ T0[b15]
//
// which is what sixteen single-byte steps give. Only the first two lookups wait for the
// previous step, so the longer the step, the fewer waits per byte. The slices hold 32-bit
// entries and the bytes are taken four at a time, as numbers whose first byte is the
// least significant, so the sums need no 16-bit arithmetic.
constexpr int SLICES = 16;
static uint32_t slice_tables[SLICES][256];

void crc16_build_table(uint16_t poly) {
    for (int i = 0; i < 256; i++) {
        uint16_t r = (uint16_t)i;
        for (int bit = 0; bit < 8; bit++)
            r = (r & 1) ? (uint16_t)((r >> 1) ^ poly) : (uint16_t)(r >> 1);
        state.crc16_table[i] = r;
        slice_tables[0][i] = r;
    }
    for (int k = 1; k < SLICES; k++)
        for (int i = 0; i < 256; i++) {
            uint32_t previous = slice_tables[k - 1][i];
            slice_tables[k][i] = (previous >> 8) ^ state.crc16_table[previous & 0xFF];
        }
}

static inline uint32_t load_le32(const uint8_t *p) {
    return p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

uint16_t crc16_table_update(uint16_t crc, const void *data, int32_t length) {
    const uint8_t *p = static_cast<const uint8_t *>(data);
    const uint32_t(*t)[256] = slice_tables;
    uint32_t r = crc;
    for (; length >= SLICES; length -= SLICES, p += SLICES) {
        uint32_t a = load_le32(p) ^ r;
        uint32_t b = load_le32(p + 4);
        uint32_t c = load_le32(p + 8);
        uint32_t d = load_le32(p + 12);
        r = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
            t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
            t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
            t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
    }
    for (; length > 0; length--, p++)
        r = t[0][(r ^ *p) & 0xFF] ^ (r >> 8);
    return (uint16_t)r;
}

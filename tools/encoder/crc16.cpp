#include "crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace lzh {

namespace {

// table[k][b] is the remainder of byte b followed by k zero bytes. The remainder is linear
// in the message, so a 64-bit word w (little-endian) fed to crc is the exclusive or of the
// remainders of its bytes, each shifted by the bytes after it, with crc folded into the low
// two bytes first; which is what eight single-byte steps give.
using Tables = std::array<std::array<uint16_t, 256>, 8>;

Tables make_tables() {
    Tables table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned r = b;
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
        table[0][b] = uint16_t(r);
    }
    for (int k = 1; k < 8; ++k)
        for (unsigned b = 0; b < 256; ++b)
            table[k][b] = uint16_t(table[k - 1][b] >> 8 ^ table[0][table[k - 1][b] & 0xFF]);
    return table;
}

} // namespace

uint16_t crc16_update(uint16_t crc, const uint8_t *data, size_t size) {
    static const Tables table = make_tables();
    for (; size >= 8; size -= 8, data += 8) {
        uint64_t word;
        std::memcpy(&word, data, 8);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        word ^= crc;
        uint32_t folded = 0;
        for (int i = 0; i < 8; ++i)
            folded ^= table[7 - i][(word >> (8 * i)) & 0xFF];
        crc = uint16_t(folded);
    }
    for (; size > 0; --size, ++data)
        crc = uint16_t(table[0][(crc ^ *data) & 0xFF] ^ (crc >> 8));
    return crc;
}

} // namespace lzh

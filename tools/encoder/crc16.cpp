#include "crc16.h"

#include <array>

namespace lzh {

namespace {

std::array<uint16_t, 256> make_table() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
        table[i] = uint16_t(r);
    }
    return table;
}

} // namespace

uint16_t crc16_update(uint16_t crc, const uint8_t *data, size_t size) {
    static const std::array<uint16_t, 256> table = make_table();
    for (size_t i = 0; i < size; ++i)
        crc = uint16_t(table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

} // namespace lzh

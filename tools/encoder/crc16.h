// CRC-16/ARC (reflected polynomial 0xA001, initial value 0), the checksum of LZH members.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

uint16_t crc16_update(uint16_t crc, const uint8_t *data, size_t size);

} // namespace lzh

// The CRC-16 of LZH archives, one bit at a time: reflected polynomial 0xA001, initial value
// 0, no final XOR. The tests' own reference, written apart from the program's and the
// encoder's table-driven versions that they are held against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline uint16_t bitwise_crc16(const uint8_t *data, size_t size, uint16_t crc = 0) {
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; bit++)
            crc = (crc & 1) ? (uint16_t)((crc >> 1) ^ 0xA001) : (uint16_t)(crc >> 1);
    }
    return crc;
}

inline uint16_t bitwise_crc16(const std::vector<uint8_t> &data) {
    return bitwise_crc16(data.data(), data.size());
}

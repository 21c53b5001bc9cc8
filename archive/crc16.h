// The CRC-16 of LZH archives: reflected polynomial 0xA001, initial value 0, no final XOR.
#pragma once

#include <stdint.h>

constexpr uint16_t CRC16_POLY = 0xA001;

// Fills crc16_table (and whatever faster tables crc16_feed uses) from `poly`.
void crc16_build_table(uint16_t poly);

// Folds `length` bytes into state.crc and returns it; a length of 0 or less changes nothing.
uint16_t crc16_feed(const void *data, int32_t length);

// The CRC-16 of `length` more bytes after `crc`, by the tables crc16_build_table made.
uint16_t crc16_table_update(uint16_t crc, const void *data, int32_t length);

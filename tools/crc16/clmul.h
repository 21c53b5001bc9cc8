// CRC-16 of LZH archives by carry-less multiplication, for the host tools.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Whether this processor has the carry-less multiply (and SSE4.1) crc16_clmul_update needs.
bool crc16_clmul_supported();

// What crc16_table_update gives for the same bytes, computed by folding 16-byte blocks with
// carry-less multiplications. Only where crc16_clmul_supported(), after crc16_build_table.
uint16_t crc16_clmul_update(uint16_t crc, const uint8_t *data, size_t size);

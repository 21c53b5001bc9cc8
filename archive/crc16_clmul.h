// CRC-16 of LZH archives by carry-less multiplication.
#pragma once

#include <stddef.h>
#include <stdint.h>

// What crc16_table_update gives for the same bytes, computed by folding 16-byte blocks with
// carry-less multiplications. Only where state.processor_clmul (process/processor.h), after
// crc16_build_table.
uint16_t crc16_clmul_update(uint16_t crc, const uint8_t *data, size_t size);

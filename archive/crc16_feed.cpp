// The running CRC-16 of member data: by carry-less multiplication where the processor has it
// and the tables are those of the archives' polynomial (entry 128 of a reflected table is the
// polynomial itself), else by table.
#include "archive/crc16.h"
#include "archive/crc16_clmul.h"
#include "process/state.h"

uint16_t crc16_feed(const void *data, int32_t length) {
    if (length <= 0)
        return state.crc;
    state.crc =
        state.processor_clmul && state.crc16_table[128] == CRC16_POLY
            ? crc16_clmul_update(state.crc, static_cast<const uint8_t *>(data), (size_t)length)
            : crc16_table_update(state.crc, data, length);
    return state.crc;
}

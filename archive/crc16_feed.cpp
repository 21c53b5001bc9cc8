// The running CRC-16 of member data, by table.
#include "archive/crc16.h"
#include "process/state.h"

uint16_t crc16_feed(const void *data, int32_t length) {
    state.crc = crc16_table_update(state.crc, data, length);
    return state.crc;
}

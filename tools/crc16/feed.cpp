// The running CRC-16 of member data in the host build: by carry-less multiplication where
// the processor has it and the tables are those of the archives' polynomial (entry 128 of
// a reflected table is the polynomial itself), else by table as in the stub.
#include "archive/crc16.h"
#include "process/state.h"
#include "tools/crc16/clmul.h"

namespace {

const bool use_clmul = crc16_clmul_supported();

} // namespace

uint16_t crc16_feed(const void *data, int32_t length) {
    if (length <= 0)
        return state.crc;
    bool archive_polynomial = state.crc16_table[128] == CRC16_POLY;
    state.crc =
        use_clmul && archive_polynomial
            ? crc16_clmul_update(state.crc, static_cast<const uint8_t *>(data), (size_t)length)
            : crc16_table_update(state.crc, data, length);
    return state.crc;
}

#include "stub_copy.h"
#include "execution_level.h"
#include "make_error.h"
#include "pe_checksum.h"

#include <algorithm>

size_t prepare_stub_copy(std::vector<uint8_t> &stub, const Options &options) {
    if (!options.elevation.empty()) {
        size_t slot = find_level_slot(stub);
        if (!slot)
            throw MakeError("stub \"" + options.stub +
                            "\": has no manifest with an execution level to set (--elevation)");
        put_level(stub, slot, options.elevation);
    }
    size_t field = checksum_field_offset(stub);
    if (field)
        std::fill_n(stub.begin() + (ptrdiff_t)field, 4, 0);
    return field;
}

void write_checksum(OutputFile &out, size_t field) {
    static uint8_t buffer[1 << 20];
    PeChecksum checksum;
    uint64_t at = 0;
    for (size_t size; (size = out.read_at(at, buffer, sizeof buffer)) != 0; at += size)
        checksum.add(buffer, size);
    uint32_t value = checksum.value();
    uint8_t bytes[4] = {(uint8_t)value, (uint8_t)(value >> 8), (uint8_t)(value >> 16),
                        (uint8_t)(value >> 24)};
    out.seek(field);
    out.write(bytes, sizeof bytes);
}

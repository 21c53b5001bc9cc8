#include "bit_writer.h"

#include <cstddef>

namespace lzh {

void append_bits(BitWriter &w, const BitWriter &more) {
    if (w.count == 0) {
        w.out.insert(w.out.end(), more.out.begin(), more.out.end());
    } else {
        // Each byte of more completes the pending bits to a byte and leaves its own low
        // `count` bits pending.
        const size_t at = w.out.size();
        w.out.resize(at + more.out.size());
        uint8_t *dest = w.out.data() + at;
        uint32_t pending = uint32_t(w.bits) & ((1u << w.count) - 1);
        for (uint8_t byte : more.out) {
            *dest++ = uint8_t(pending << (8 - w.count) | byte >> w.count);
            pending = byte;
        }
        w.bits = pending;
    }
    put_bits(w, uint32_t(more.bits), more.count);
}

void flush_bits(BitWriter &w) {
    if (w.count > 0)
        put_bits(w, 0, 8 - w.count);
    w.bits = 0;
}

} // namespace lzh

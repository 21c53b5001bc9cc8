#include "bit_writer.h"

namespace lzh {

void flush_bits(BitWriter &w) {
    if (w.count > 0)
        put_bits(w, 0, 8 - w.count);
    w.bits = 0;
}

} // namespace lzh

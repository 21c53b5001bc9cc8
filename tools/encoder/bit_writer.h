// MSB-first bit output into a byte vector.
#pragma once

#include <cstdint>
#include <vector>

namespace lzh {

// `bits` holds the `count` pending bits right-aligned (count < 8 between calls; the oldest
// pending bit is the highest of them). Whole bytes move to `out` as soon as they are complete.
struct BitWriter {
    std::vector<uint8_t> out;
    uint64_t bits = 0;
    int count = 0;
};

// Appends the low n bits of value (n from 0 to 32), most significant first.
inline void put_bits(BitWriter &w, uint32_t value, int n) {
    w.bits = (w.bits << n) | (value & ((uint64_t(1) << n) - 1));
    w.count += n;
    while (w.count >= 8) {
        w.count -= 8;
        w.out.push_back(uint8_t(w.bits >> w.count));
    }
}

// Appends every bit that more holds (its bytes, then its pending bits).
void append_bits(BitWriter &w, const BitWriter &more);

// Pads the last partial byte with zero bits.
void flush_bits(BitWriter &w);

} // namespace lzh

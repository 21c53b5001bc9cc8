// The two LZSS methods without entropy coding. Both address the window by absolute ring
// index rather than by distance, and start writing a little before the end of the ring, so the
// first bytes can match what the window was filled with.
#include "bit_input.h"
#include "methods.h"

namespace legacy {

// -lzs-: a 2 KiB window of spaces. Each item is a flag bit; 1: an 8-bit literal; 0: an
// 11-bit ring index and a 4-bit length of 2 to 17.
std::string expand_lzs(Packed packed, std::uint64_t size, const Sink &out) {
    History history(11, ' ', size, out, 2048 - 17);
    BitInput in(packed);
    while (!history.done()) {
        if (in.bit()) {
            std::uint8_t literal = static_cast<std::uint8_t>(in.take(8));
            if (in.overrun())
                break;
            history.put(literal);
        } else {
            unsigned from = in.take(11);
            unsigned length = in.take(4) + 2;
            if (in.overrun())
                break;
            history.copy_from(from, length);
        }
    }
    history.flush();
    return history.done() ? "" : ended_early(history.written(), size);
}

namespace {

// The -lz5- window before the first byte: runs of every byte value, ascending and descending
// sequences, zeros and spaces, so that short runs and common sequences match at once. The last
// 18 entries, where writing starts, hold zeros.
void prefill_lz5(History &history) {
    unsigned at = 0;
    for (unsigned value = 0; value < 256; ++value)
        for (unsigned repeat = 0; repeat < 13; ++repeat)
            history.at(at++) = static_cast<std::uint8_t>(value);
    for (unsigned value = 0; value < 256; ++value)
        history.at(at++) = static_cast<std::uint8_t>(value);
    for (unsigned value = 0; value < 256; ++value)
        history.at(at++) = static_cast<std::uint8_t>(255 - value);
    for (unsigned i = 0; i < 128; ++i)
        history.at(at++) = 0;
    for (unsigned i = 0; i < 110; ++i)
        history.at(at++) = ' ';
}

} // namespace

// -lz5-: a 4 KiB prefilled window. A flag byte announces eight items, least significant bit
// first; 1: a literal byte; 0: two bytes holding a 12-bit ring index (the first byte and the
// high nibble of the second as bits 8-11) and a length of 3 to 18 (the low nibble).
std::string expand_lz5(Packed packed, std::uint64_t size, const Sink &out) {
    History history(12, 0, size, out, 4096 - 18);
    prefill_lz5(history);
    BitInput in(packed);
    unsigned flags = 0;
    while (!history.done()) {
        if ((flags & 0x100) == 0)
            flags = in.byte() | 0xff00;
        bool literal = (flags & 1) != 0;
        flags >>= 1;
        if (literal) {
            std::uint8_t byte = in.byte();
            if (in.overrun())
                break;
            history.put(byte);
        } else {
            unsigned low = in.byte();
            unsigned high = in.byte();
            if (in.overrun())
                break;
            history.copy_from(low | ((high & 0xf0) << 4), (high & 0x0f) + 3);
        }
    }
    history.flush();
    return history.done() ? "" : ended_early(history.written(), size);
}

} // namespace legacy

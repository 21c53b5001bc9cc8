// The inner loop of member expansion, compiled once for every processor and once for those
// with SSE2 (decode/expand_fast_sse2.cpp): the bit buffer, the window position and the counts
// live in locals, and the checks that the checked path makes per bit and per byte are made
// once per symbol against margins instead. Everything here has internal linkage, so each of
// the two files keeps its own copy, compiled with its own options.
#pragma once

#include "decode/bit_input.h"
#include "decode/blocks.h"
#include "decode/tables.h"

#include <string.h>

namespace {

// An iteration takes at most 12 bytes into the bit buffer (a literal and a match: up to 59
// bits of codes and extra bits, 31 bits in hand) and a refill reads 4 bytes at the next
// untaken one: 16 untaken bytes of the current block are enough for one more iteration to
// stay inside it.
constexpr uint32_t INPUT_MARGIN = 16;
// An iteration decodes up to two symbols (two literals, or a literal and a match) between
// its tests of the limits.
constexpr uint32_t ITERATION_SYMBOLS = 2;

// Table entries below this one are literals whose code needs no tree.
constexpr uint32_t LITERAL_ENTRIES = table_entry(FIRST_MATCH_SYMBOL, 0);

uint32_t bytes_left_in_block() {
    if ((uint32_t)state.read_index >= (uint32_t)READ_BUFFER_SIZE)
        return 0;
    uint32_t rest = READ_BUFFER_SIZE - (uint32_t)state.read_index;
    return rest < state.compressed_left ? rest : state.compressed_left;
}

inline uint32_t load_be32(const uint8_t *p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// Brings the buffer to 24 to 31 bits: ORs in the next 4 bytes below what is held and
// counts the whole bytes that fit. The bits of a byte that did not fit are the stream's own
// next bits, which the bit buffer's invariant allows below the count.
inline void refill(uint32_t &buffer, uint32_t &count, const uint8_t *&in) {
    buffer |= load_be32(in) >> (count & 31);
    in += (31 - (count & 31)) >> 3;
    count |= 24;
}

// Drops the number of bits in the low 5 bits of n.
inline void drop(uint32_t &buffer, uint32_t &count, uint32_t n) {
    buffer <<= n & 31;
    count -= n;
}

inline uint32_t walk(uint32_t &buffer, uint32_t &count, uint32_t value, uint32_t symbol_count) {
    while (value >= symbol_count) {
        value = buffer >> 31 ? state.one_branch[value] : state.zero_branch[value];
        drop(buffer, count, 1);
    }
    return value;
}

inline void copy8(uint8_t *to, const uint8_t *from) {
    uint8_t chunk[8];
    memcpy(chunk, from, 8);
    memcpy(to, chunk, 8);
}

// Copies a match that ends within its half of the window, byte for byte as if copied one
// at a time in order.
//
// The fast way copies 8-byte chunks, at least four, which may write up to 31 bytes past the
// match: the ring leaves room for them (decode/expand.cpp). Four cover most matches without
// a loop, whose varying number of turns the processor mispredicts. Chunks copy correctly
// when each one reads only bytes that are final by then: the source lies ahead of the
// destination (or is the destination itself), or at least 8 bytes behind it, which is when
// pos - from - 1, taken unsigned, is 7 or more. A run of one repeated byte is a fill;
// everything else (short repeats, and sources that wrap round the ring's end) goes one byte
// at a time.
inline void copy_match(uint8_t *window, uint32_t pos, uint32_t from, uint32_t length,
                       uint32_t mask) {
    uint8_t *to = window + pos;
    if (from + length <= mask + 1) {
        if (pos - from - 1 >= 7) {
            const uint8_t *source = window + from;
            copy8(to, source);
            copy8(to + 8, source + 8);
            copy8(to + 16, source + 16);
            copy8(to + 24, source + 24);
            for (uint32_t k = 32; k < length; k += 8)
                copy8(to + k, source + k);
            return;
        }
        if (from + 1 == pos) {
            uint8_t run[8];
            memset(run, to[-1], 8);
            for (uint32_t k = 0; k < length; k += 8)
                memcpy(to + k, run, 8);
            return;
        }
    }
    while (length-- != 0) {
        *to++ = window[from];
        from = (from + 1) & mask;
    }
}

// A position entry stands for the table entry of the same index. For a position value j
// whose code of l bits the table holds, it has the bit count of the code and the value's
// extra bits together, l + max(j - 1, 0), and above bit 16 the mask 2^j - 1. The top
// l + extra bits, v, give the distance value as (v | (mask + 1) / 2) & mask: j = 0 gives 0,
// j = 1 gives 1, and j > 1 the 1 bit of 2^(j-1) over the extra bits. v is taken as
// (buffer >> 1) >> (31 - count), which is 0 for a count of 0 (a single-symbol code). For a
// longer code the entry is POSITION_NODE with the tree's node number above bit 16.
constexpr uint32_t POSITION_NODE = 1u << 5;

// Entry assumptions, from expand_fast_ready and kept by the loop's condition:
//   - no block header comes up, no literal fills the window's current half (a match that
//     would reach its end is handed back, decoded but not copied, so nothing leaves for the
//     sink here and window_pos needs no wrap), and the member is not complete, tested
//     before each symbol as the checked path does: every symbol yields at least one byte,
//     so one limit on window_pos, `stop`, one below the least of the codes left, the bytes
//     left and the half's room, leaves room for an iteration whenever pos < stop. The codes the
//     matches did not use up leave the limit short of the block's end; the caller comes
//     back for them;
//   - more than INPUT_MARGIN untaken bytes in the read block: refills stay inside it, and
//     fewer than 16 bits are never left at its end, so no read of the archive is due.
// `count` holds the bit count in its low 5 bits only: a table entry is subtracted whole
// (its value above the 5 bits goes to the unused high bits), and shifts by the entry
// take its low 5 bits, as the shift instructions do.
// After a refill all 32 bits of the buffer are the stream's own (the 4 bytes loaded fill it
// below the count), so a second literal whose code sits within the 12 bits after a first
// one may be looked up without another refill; a position code found in the table and its
// extra bits take at most 8 + 15 of the 24 bits a refill leaves.
// On the way out refill_bits restores the bit input's invariant, reading the next block
// exactly when a consume_bits after the last symbol would have, and so before the caller
// copies a handed-back match, as the checked path does.
[[gnu::always_inline]] inline uint32_t expand_loop(uint32_t *distance_out) {
    uint32_t buffer = state.bit_buffer;
    uint32_t count = state.bit_count;
    const uint8_t *const in_start = state.read_buffer + state.read_index;
    const uint8_t *in = in_start;
    const uint8_t *const in_end = in_start + bytes_left_in_block() - INPUT_MARGIN;
    uint8_t *const window = state.window;
    const uint32_t mask = 2 * state.window_size - 1;
    const uint32_t pos_start = state.window_pos;
    uint32_t pos = pos_start;
    const uint32_t half_last = pos | (state.window_size - 1);
    const uint32_t codes = state.codes_left_in_block;
    const uint32_t room = half_last - pos;
    const uint32_t left = state.size_to_produce - state.produced_count;
    uint32_t limit = left < room ? left : room;
    limit = codes < limit ? codes : limit;
    const uint32_t stop = pos + limit - (ITERATION_SYMBOLS - 1);
    const uint16_t *const lit_len_table = state.lit_len_table;
    const uint32_t *const position_entries = state.position_entries;
    const uint32_t position_symbols = state.position_symbols;
    // Bytes the matches copied beyond one per symbol.
    uint32_t match_surplus = 0;
    uint32_t pending = 0;

    while (in < in_end && pos < stop) {
        refill(buffer, count, in);
        uint32_t entry = lit_len_table[buffer >> (32 - LIT_LEN_TABLE_BITS)];
        if (entry < LITERAL_ENTRIES) {
            drop(buffer, count, entry);
            window[pos++] = (uint8_t)entry_value(entry);
            entry = lit_len_table[buffer >> (32 - LIT_LEN_TABLE_BITS)];
            if (entry < LITERAL_ENTRIES) {
                drop(buffer, count, entry);
                window[pos++] = (uint8_t)entry_value(entry);
                continue;
            }
            refill(buffer, count, in);
        }
        drop(buffer, count, entry);
        uint32_t symbol = walk(buffer, count, entry_value(entry), LIT_LEN_SYMBOLS);
        if (symbol < FIRST_MATCH_SYMBOL) {
            window[pos++] = (uint8_t)symbol;
            continue;
        }
        uint32_t length = symbol - (FIRST_MATCH_SYMBOL - MIN_MATCH);

        refill(buffer, count, in);
        entry = position_entries[buffer >> (32 - SMALL_TABLE_BITS)];
        uint32_t distance;
        if (!(entry & POSITION_NODE)) {
            uint32_t mask_j = entry >> 16;
            distance = ((buffer >> 1) >> (31 - (entry & 31)) | (mask_j + 1) >> 1) & mask_j;
            drop(buffer, count, entry);
        } else {
            drop(buffer, count, SMALL_TABLE_BITS);
            distance = walk(buffer, count, entry >> 16, position_symbols);
            refill(buffer, count, in);
            // Value j > 1 stands for 2^(j-1) plus j-1 extra bits.
            if (distance > 1) {
                uint32_t extra = distance - 1;
                distance = (1u << extra) + (buffer >> (32 - extra));
                drop(buffer, count, extra);
            }
        }

        if (pos + length > half_last) {
            pending = length;
            *distance_out = distance;
            break;
        }
        // Read here rather than kept: since a byte stored into the window might, for all the
        // compiler knows, change it, it stays in memory instead of taking a register for the
        // whole loop (32-bit x86 has few).
        uint32_t reach_mask = state.window_size - 1;
        copy_match(window, pos, (pos - (distance & reach_mask) - 1) & mask, length, mask);
        pos += length;
        match_surplus += length - 1;
    }

    uint32_t taken = (uint32_t)(in - in_start);
    uint32_t produced = pos - pos_start;
    state.read_index += (int32_t)taken;
    state.compressed_left -= taken;
    state.bit_buffer = buffer;
    state.bit_count = count & 31;
    state.window_pos = pos;
    state.produced_count += produced;
    state.bytes_done += produced;
    state.codes_left_in_block = (uint16_t)(codes - (produced - match_surplus) - (pending != 0));
    refill_bits();
    return pending;
}

} // namespace

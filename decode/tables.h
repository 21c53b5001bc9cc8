// Huffman decoding tables: canonical codes from their lengths.
//
// A table is indexed by the next table_bits bits of the stream. Each entry holds a value
// above its low ENTRY_BITS_WIDTH bits, and in those bits the number of bits to consume:
//   - value below the code's symbol count: a symbol whose code is at most table_bits long,
//     consumed whole by the entry's count;
//   - value at or above it: the root node of the longer codes that share this prefix; the
//     count is table_bits, and each further bit picks one_branch (1) or zero_branch (0) of
//     the node until a symbol comes up.
// Inner nodes are numbered from the symbol count up, as are tree values in the branch
// arrays. A code sent as a single symbol fills the table with that symbol and a count of 0.
// With the value on top, a literal/length entry below table_entry(256, 0) is a literal
// whose code takes one lookup.
#pragma once

#include "format/methods.h"
#include "process/state.h"

#include <stdint.h>

constexpr uint32_t ENTRY_BITS_WIDTH = 5;
static_assert(BRANCH_SIZE << ENTRY_BITS_WIDTH <= 0x10000, "node numbers fit an entry");

constexpr uint16_t table_entry(uint32_t value, uint32_t bits) {
    return (uint16_t)(value << ENTRY_BITS_WIDTH | bits);
}
inline uint32_t entry_value(uint32_t entry) {
    return entry >> ENTRY_BITS_WIDTH;
}
inline uint32_t entry_bits(uint32_t entry) {
    return entry & ((1u << ENTRY_BITS_WIDTH) - 1);
}

// Builds `table` (2^table_bits entries) and the tree nodes for the symbol_count codes whose
// lengths are given. Anything but a complete prefix code with lengths up to 16 is refused
// with the bad-table report.
void build_decode_table(uint32_t symbol_count, const uint8_t *lengths, uint32_t table_bits,
                        uint16_t *table);

// Fills `table` for a code that has the single symbol `symbol`, which costs no bits.
// Refuses a symbol at or above symbol_count.
void fill_single_symbol(uint32_t symbol_count, uint32_t symbol, uint32_t table_bits,
                        uint16_t *table);

// Shows "Bad table (5)" with the program's own path and aborts.
[[noreturn]] void refuse_table();

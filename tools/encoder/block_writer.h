// One compressed block: its three codes, its header and its coded items.
#pragma once

#include "bit_writer.h"
#include "lz_parse.h"
#include "lzh_format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lzh {

// The codes of a block and the exact number of bits it takes. A code with fewer than two used
// symbols is sent as a single symbol (`single_*`) and its symbols take no bits.
struct BlockPlan {
    uint8_t lit_len_lengths[kLitLenSymbols];
    uint16_t lit_len_codes[kLitLenSymbols];
    int lit_len_single; // the single symbol, or -1
    uint8_t position_lengths[kMaxPositionSymbols];
    uint16_t position_codes[kMaxPositionSymbols];
    int position_single; // the single symbol, or -1
    // The literal/length lengths as code-length items: bits 0-4 the symbol, bits 5-15 the
    // value of its extra bits (zero-run symbols 1 and 2 only).
    std::vector<uint16_t> length_items;
    uint8_t code_len_lengths[kCodeLenSymbols];
    uint16_t code_len_codes[kCodeLenSymbols];
    int code_len_single; // the single symbol, or -1
    uint64_t header_bits;
    uint64_t total_bits;
};

// Builds the cheapest codes this writer knows for a block with these symbol counts.
void plan_block(const SymbolCounts &counts, const MethodParams &params, BlockPlan &plan);

// Writes items[0, n) as one block with plan's codes (made from the same items' counts);
// n is 1 to kMaxBlockSymbols.
void write_block(BitWriter &w, const uint32_t *items, size_t n, const MethodParams &params,
                 const BlockPlan &plan);

} // namespace lzh

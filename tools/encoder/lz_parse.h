// Cost-driven parsing of a buffer range into literals and matches.
#pragma once

#include "lzh_format.h"
#include "match_finder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lzh {

// An item is one literal/length symbol with its distance value:
// bits 0-15 the symbol (0-509), bits 16-31 the distance value d of a match (0 for a literal).
inline uint32_t make_literal(uint8_t byte) {
    return byte;
}
inline uint32_t make_match(int length, int offset) {
    return uint32_t(match_symbol(length)) | uint32_t(offset - 1) << 16;
}
inline int item_symbol(uint32_t item) {
    return int(item & 0xFFFF);
}
inline uint32_t item_distance(uint32_t item) {
    return item >> 16;
}
inline int item_length(uint32_t item) {
    const int symbol = item_symbol(item);
    return symbol < kLiteralSymbols ? 1 : symbol - kLiteralSymbols + kMinMatch;
}

// Symbol costs in 1/16 bit. A position cost includes the symbol's extra bits.
constexpr int kCostShift = 4;
struct CostModel {
    uint32_t lit_len[kLitLenSymbols];
    uint32_t position[kMaxPositionSymbols];
};

struct SymbolCounts {
    uint32_t lit_len[kLitLenSymbols] = {};
    uint32_t position[kMaxPositionSymbols] = {};
};

void count_items(const uint32_t *items, size_t n, SymbolCounts &counts);

// Prices every symbol by the length of its code in a Huffman code for counts, as the block
// writer would build it; symbols without a code get a price that discourages them.
void costs_from_counts(const SymbolCounts &counts, int position_symbols, CostModel &model);

// The matches of each position of a range of the buffer: those of position p are
// matches[first[p - base]] up to matches[first[p - base + 1]].
struct MatchCache {
    int32_t base = 0;
    std::vector<uint32_t> first;
    std::unique_ptr<Match[]> matches;
};

struct ParseWork {
    std::vector<uint32_t> cost;   // cheapest price from a position to the range end
    std::vector<uint32_t> choice; // the item that starts that cheapest path
};

// Parses buf[start, end) (inside the cache's range) into the items of least total cost under
// model, using for each length the nearest cached match that reaches it, and appends them.
void parse_range(const uint8_t *buf, int32_t start, int32_t end, const MatchCache &cache,
                 const CostModel &model, ParseWork &work, std::vector<uint32_t> &items);

// A quick parse of buf[start, end) with the cached matches, blind to costs: the longest match
// unless the next position has a longer one, else a literal. Appends the items.
void lazy_parse_range(const uint8_t *buf, int32_t start, int32_t end, const MatchCache &cache,
                      std::vector<uint32_t> &items);

} // namespace lzh

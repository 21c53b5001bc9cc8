#include "lz_parse.h"

#include "huffman.h"

#include <algorithm>
#include <cmath>

namespace lzh {

namespace {

constexpr uint32_t kBit = 1u << kCostShift;

uint32_t log2_cost(double ratio) {
    return uint32_t(std::log2(ratio) * kBit + 0.5);
}

// Price of a symbol whose code has the given length; a code of one symbol takes no bits, and
// a symbol without a code would need about as many bits as one seen once among total.
uint32_t code_cost(uint8_t length, bool single_used, uint32_t total) {
    if (length != 0)
        return length * kBit;
    if (single_used)
        return 0;
    return std::min<uint32_t>(log2_cost(total + 2.0), 16 * kBit) + kBit;
}

} // namespace

void count_items(const uint32_t *items, size_t n, SymbolCounts &counts) {
    for (size_t i = 0; i < n; ++i) {
        const int symbol = item_symbol(items[i]);
        ++counts.lit_len[symbol];
        if (symbol >= kLiteralSymbols)
            ++counts.position[position_symbol(item_distance(items[i]))];
    }
}

void costs_from_counts(const SymbolCounts &counts, int position_symbols, CostModel &model) {
    uint8_t lengths[kLitLenSymbols];
    const int used = limited_code_lengths(counts.lit_len, kLitLenSymbols, kMaxCodeLength, lengths);
    uint32_t total = 0;
    for (uint32_t f : counts.lit_len)
        total += f;
    for (int s = 0; s < kLitLenSymbols; ++s)
        model.lit_len[s] = code_cost(lengths[s], used == 1 && counts.lit_len[s] != 0, total);

    const int used_pos =
        limited_code_lengths(counts.position, position_symbols, kMaxCodeLength, lengths);
    uint32_t matches = 0;
    for (int j = 0; j < position_symbols; ++j)
        matches += counts.position[j];
    for (int j = 0; j < position_symbols; ++j)
        model.position[j] =
            code_cost(lengths[j], used_pos == 1 && counts.position[j] != 0, matches) +
            std::max(j - 1, 0) * kBit;
    // Beyond the window no match is found, so these are never used; they only keep the
    // table defined.
    for (int j = position_symbols; j < kMaxPositionSymbols; ++j)
        model.position[j] = model.position[position_symbols - 1];
}

void parse_range(const uint8_t *buf, int32_t start, int32_t end, const MatchCache &cache,
                 const CostModel &model, ParseWork &work, std::vector<uint32_t> &items) {
    const size_t n = size_t(end - start);
    work.cost.resize(n + 1);
    work.choice.resize(n + 1);
    uint32_t *cost = work.cost.data() - start;
    uint32_t *choice = work.choice.data() - start;
    const uint32_t *len_cost = model.lit_len + kLiteralSymbols - kMinMatch;
    cost[end] = 0;
    for (int32_t p = end - 1; p >= start; --p) {
        uint32_t best = cost[p + 1] + model.lit_len[buf[p]];
        uint32_t best_item = make_literal(buf[p]);
        const Match *m = &cache.matches[cache.first[p - cache.base]];
        const Match *m_end = &cache.matches[cache.first[p - cache.base + 1]];
        const int limit = std::min(end - p, kMaxMatch);
        // For one match the distance price is fixed, so only the cheapest of its lengths
        // counts. It is found branch-free as the least (price << 32 | length), which also
        // picks the shortest length among equal prices.
        int len = kMinMatch;
        for (; m != m_end && len <= limit; ++m) {
            const int top = std::min<int>(m->length, limit);
            uint32_t cheapest = cost[p + len] + len_cost[len];
            int cheapest_len = len;
            for (int l = len + 1; l <= top; ++l) {
                const uint32_t c = cost[p + l] + len_cost[l];
                cheapest_len = c < cheapest ? l : cheapest_len;
                cheapest = c < cheapest ? c : cheapest;
            }
            const uint32_t total = cheapest + model.position[position_symbol(m->offset - 1u)];
            if (total < best) {
                best = total;
                best_item = make_match(cheapest_len, m->offset);
            }
            len = top + 1;
        }
        cost[p] = best;
        choice[p] = best_item;
    }
    for (int32_t p = start; p < end; p += item_length(choice[p]))
        items.push_back(choice[p]);
}

void lazy_parse_range(const uint8_t *buf, int32_t start, int32_t end, const MatchCache &cache,
                      std::vector<uint32_t> &items) {
    const Match *matches = cache.matches.get();
    const uint32_t *first = cache.first.data() - cache.base;
    for (int32_t p = start; p < end;) {
        const int limit = std::min(end - p, kMaxMatch);
        const uint32_t here = first[p + 1];
        const bool found = here != first[p] && limit >= kMinMatch;
        // first[p + 2] exists for every p + 1 < end: the cache covers at least [start, end).
        const bool longer_next = found && p + 1 < end && first[p + 2] != here &&
                                 matches[first[p + 2] - 1].length > matches[here - 1].length;
        if (found && !longer_next) {
            const int len = std::min<int>(matches[here - 1].length, limit);
            items.push_back(make_match(len, matches[here - 1].offset));
            p += len;
        } else {
            items.push_back(make_literal(buf[p]));
            ++p;
        }
    }
}

} // namespace lzh

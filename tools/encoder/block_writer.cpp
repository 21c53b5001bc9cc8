#include "block_writer.h"

#include "huffman.h"

#include <algorithm>
#include <cstring>

namespace lzh {

namespace {

constexpr int kZeroRunAfter = 3; // the code-length code's 2-bit zero-run field follows length 3
constexpr int kShortRunMax = 18; // symbol 1: 3-18 zeros in 4 bits
constexpr int kLongRunMin = 20;  // symbol 2: 20-531 zeros in 9 bits

// Bits taken by one length of the code-length or position code: 3 bits up to 6, else the
// 3 bits 111, a 1 bit per step above 7 and a closing 0 bit.
int small_length_bits(int len) {
    return len < 7 ? 3 : len - 3;
}

int last_used(const uint8_t *lengths, int n) {
    while (n > 0 && lengths[n - 1] == 0)
        --n;
    return n;
}

int single_symbol(const uint32_t *counts, int n) {
    for (int s = 0; s < n; ++s)
        if (counts[s] != 0)
            return s;
    return 0;
}

uint64_t small_code_bits(const uint8_t *lengths, int n, int count_bits, bool zero_run) {
    const int used = last_used(lengths, n);
    uint64_t bits = count_bits;
    for (int i = 0; i < used; ++i)
        bits += small_length_bits(lengths[i]);
    if (zero_run && used >= kZeroRunAfter) {
        bits += 2;
        for (int i = kZeroRunAfter; i < std::min(used, kZeroRunAfter + 3) && lengths[i] == 0; ++i)
            bits -= 3;
    }
    return bits;
}

// Code-length items for a run of `run` zero lengths, cheapest under the symbol costs cost
// (in bits, without the extra bits), appended to out.
void emit_zero_run(int run, const uint32_t cost[3], std::vector<uint16_t> &out) {
    // best[k]: cheapest cost of k zeros; step[k]: zeros covered by the last item of that
    // path. Runs are at most 510 zeros, so one long-run item can cover any run of 20 or more
    // whole, and since no cost is negative no path that ends in one beats that item alone.
    uint32_t best[kLitLenSymbols + 1];
    uint16_t step[kLitLenSymbols + 1];
    best[0] = 0;
    for (int k = 1; k <= run; ++k) {
        best[k] = best[k - 1] + cost[0];
        step[k] = 1;
        for (int m = 3; m <= std::min(k, kShortRunMax); ++m) {
            if (best[k - m] + cost[1] + 4 < best[k]) {
                best[k] = best[k - m] + cost[1] + 4;
                step[k] = uint16_t(m);
            }
        }
        if (k >= kLongRunMin && cost[2] + 9 < best[k]) {
            best[k] = cost[2] + 9;
            step[k] = uint16_t(k);
        }
    }
    const size_t first = out.size();
    for (int k = run; k > 0; k -= step[k]) {
        const int m = step[k];
        if (m == 1)
            out.push_back(0);
        else if (m <= kShortRunMax)
            out.push_back(uint16_t(1 | (m - 3) << 5));
        else
            out.push_back(uint16_t(2 | (m - kLongRunMin) << 5));
    }
    std::reverse(out.begin() + first, out.end());
}

void make_length_items(const uint8_t *lengths, int n, const uint32_t cost[3],
                       std::vector<uint16_t> &out) {
    out.clear();
    for (int i = 0; i < n;) {
        if (lengths[i] != 0) {
            out.push_back(uint16_t(lengths[i] + 2));
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < n && lengths[i + run] == 0)
            ++run;
        emit_zero_run(run, cost, out);
        i += run;
    }
}

int extra_bits_of_length_item(int symbol) {
    return symbol == 1 ? 4 : symbol == 2 ? 9 : 0;
}

// Chooses the zero-run items and the code-length code together: items are chosen for the
// costs of the previous round's code, a new code is built for them, and the cheapest of the
// rounds is kept (the first round assumes every symbol costs 4 bits).
uint64_t plan_length_items(const uint8_t *lit_len_lengths, BlockPlan &plan) {
    const int n = last_used(lit_len_lengths, kLitLenSymbols);
    uint32_t cost[3] = {4, 4, 4};
    uint64_t best_bits = UINT64_MAX;
    std::vector<uint16_t> items;
    for (int round = 0; round < 3; ++round) {
        make_length_items(lit_len_lengths, n, cost, items);
        uint32_t freq[kCodeLenSymbols] = {};
        for (uint16_t item : items)
            ++freq[item & 31];
        uint8_t lengths[kCodeLenSymbols];
        const int used = limited_code_lengths(freq, kCodeLenSymbols, kMaxCodeLength, lengths);
        uint64_t bits = 9;
        for (uint16_t item : items)
            bits += lengths[item & 31] + extra_bits_of_length_item(item & 31);
        bits += used < 2 ? 10 : small_code_bits(lengths, kCodeLenSymbols, 5, true);
        if (bits < best_bits) {
            best_bits = bits;
            plan.length_items = items;
            std::memcpy(plan.code_len_lengths, lengths, sizeof lengths);
            plan.code_len_single = used < 2 ? single_symbol(freq, kCodeLenSymbols) : -1;
        }
        for (int s = 0; s < 3; ++s)
            cost[s] = lengths[s] ? lengths[s] : used < 2 && freq[s] ? 0 : 8;
    }
    canonical_codes(plan.code_len_lengths, kCodeLenSymbols, plan.code_len_codes);
    return best_bits;
}

void put_small_code(BitWriter &w, const uint8_t *lengths, int n, int count_bits, bool zero_run) {
    const int used = last_used(lengths, n);
    put_bits(w, uint32_t(used), count_bits);
    for (int i = 0; i < used; ++i) {
        const int len = lengths[i];
        if (len < 7)
            put_bits(w, uint32_t(len), 3);
        else
            put_bits(w, ((1u << (len - 4)) - 1) << 1, len - 3); // 111, len - 7 ones, 0
        if (zero_run && i + 1 == kZeroRunAfter) {
            int zeros = 0;
            while (zeros < 3 && i + 1 + zeros < used && lengths[i + 1 + zeros] == 0)
                ++zeros;
            put_bits(w, uint32_t(zeros), 2);
            i += zeros;
        }
    }
}

} // namespace

void plan_block(const SymbolCounts &counts, const MethodParams &params, BlockPlan &plan) {
    const int used =
        limited_code_lengths(counts.lit_len, kLitLenSymbols, kMaxCodeLength, plan.lit_len_lengths);
    canonical_codes(plan.lit_len_lengths, kLitLenSymbols, plan.lit_len_codes);
    plan.lit_len_single = used < 2 ? single_symbol(counts.lit_len, kLitLenSymbols) : -1;

    const int np = params.position_symbols;
    const int pos_used =
        limited_code_lengths(counts.position, np, kMaxCodeLength, plan.position_lengths);
    canonical_codes(plan.position_lengths, np, plan.position_codes);
    plan.position_single = pos_used < 2 ? single_symbol(counts.position, np) : -1;

    uint64_t bits = 16;
    if (plan.lit_len_single >= 0) {
        plan.length_items.clear();
        plan.code_len_single = 0;
        bits += 10 + 18;
    } else {
        bits += plan_length_items(plan.lit_len_lengths, plan);
    }
    const int cb = params.position_count_bits;
    bits +=
        plan.position_single >= 0 ? 2 * cb : small_code_bits(plan.position_lengths, np, cb, false);
    plan.header_bits = bits;

    for (int s = 0; s < kLitLenSymbols; ++s)
        bits += uint64_t(counts.lit_len[s]) * plan.lit_len_lengths[s];
    for (int j = 0; j < np; ++j)
        bits += uint64_t(counts.position[j]) * (plan.position_lengths[j] + std::max(j - 1, 0));
    plan.total_bits = bits;
}

void write_block(BitWriter &w, const uint32_t *items, size_t n, const MethodParams &params,
                 const BlockPlan &plan) {
    put_bits(w, uint32_t(n), 16);
    if (plan.code_len_single >= 0) {
        put_bits(w, 0, 5);
        put_bits(w, uint32_t(plan.code_len_single), 5);
    } else {
        put_small_code(w, plan.code_len_lengths, kCodeLenSymbols, 5, true);
    }
    if (plan.lit_len_single >= 0) {
        put_bits(w, 0, 9);
        put_bits(w, uint32_t(plan.lit_len_single), 9);
    } else {
        put_bits(w, uint32_t(last_used(plan.lit_len_lengths, kLitLenSymbols)), 9);
        for (uint16_t item : plan.length_items) {
            const int symbol = item & 31;
            put_bits(w, plan.code_len_codes[symbol], plan.code_len_lengths[symbol]);
            put_bits(w, uint32_t(item >> 5), extra_bits_of_length_item(symbol));
        }
    }
    const int cb = params.position_count_bits;
    if (plan.position_single >= 0) {
        put_bits(w, 0, cb);
        put_bits(w, uint32_t(plan.position_single), cb);
    } else {
        put_small_code(w, plan.position_lengths, params.position_symbols, cb, false);
    }

    for (size_t i = 0; i < n; ++i) {
        const int symbol = item_symbol(items[i]);
        put_bits(w, plan.lit_len_codes[symbol], plan.lit_len_lengths[symbol]);
        if (symbol < kLiteralSymbols)
            continue;
        const uint32_t d = item_distance(items[i]);
        const int j = position_symbol(d);
        put_bits(w, plan.position_codes[j], plan.position_lengths[j]);
        if (j > 1)
            put_bits(w, d, j - 1); // put_bits keeps the low j - 1 bits: d without its top bit
    }
}

} // namespace lzh

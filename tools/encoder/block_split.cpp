#include "block_split.h"

#include "lz_parse.h"
#include "lzh_format.h"

#include <algorithm>
#include <cmath>

namespace lzh {

namespace {

constexpr int kSymbols = kLitLenSymbols + kMaxPositionSymbols;

// f * log2(f) for every count a block can hold.
const std::vector<float> &count_log_table() {
    static const std::vector<float> table = [] {
        std::vector<float> t(kMaxBlockSymbols + 1);
        t[0] = 0;
        for (size_t f = 1; f < t.size(); ++f)
            t[f] = float(double(f) * std::log2(double(f)));
        return t;
    }();
    return table;
}

// Bits of a block whose symbol counts are a - b (per symbol, lit/len symbols then position
// symbols): the entropy of both codes, and about 4 bits per code length sent, plus a fixed
// part. Extra distance bits are the same wherever blocks end and are left out.
float block_estimate(const uint32_t *a, const uint32_t *b, const float *flogf) {
    uint32_t total = 0;
    uint32_t matches = 0;
    float sum = 0;
    int used = 0;
    for (int s = 0; s < kSymbols; ++s) {
        const uint32_t f = a[s] - b[s];
        if (f == 0)
            continue;
        ++used;
        sum += flogf[f];
        total += s < kLitLenSymbols ? f : 0;
        matches += s < kLitLenSymbols ? 0 : f;
    }
    return flogf[total] + flogf[matches] - sum + 4.0f * float(used) + 100.0f;
}

void add_items(const uint32_t *items, size_t from, size_t to, uint32_t *counts, int sign) {
    for (size_t i = from; i < to; ++i) {
        const int symbol = item_symbol(items[i]);
        counts[symbol] += uint32_t(sign);
        if (symbol >= kLiteralSymbols)
            counts[kLitLenSymbols + position_symbol(item_distance(items[i]))] += uint32_t(sign);
    }
}

// Moves each boundary between two of the new blocks (ends[first] on) to the cheapest place
// within one unit either side, in steps of a sixteenth of a unit, by the same estimate:
// boundaries on the unit grid alone can leave up to a unit of items in the wrong block.
void refine_boundaries(const uint32_t *items, size_t unit, size_t first, std::vector<size_t> &ends,
                       const float *flogf) {
    static const uint32_t zeros[kSymbols] = {};
    const size_t step = std::max<size_t>(unit / 16, 1);
    std::vector<uint32_t> left(kSymbols), right(kSymbols);
    for (size_t k = first; k + 1 < ends.size(); ++k) {
        const size_t start = k == first ? 0 : ends[k - 1];
        const size_t b = ends[k];
        const size_t end = ends[k + 1];
        size_t lo = b - std::min<size_t>(16, (b - start - 1) / step) * step;
        const size_t hi = b + std::min<size_t>(16, (end - b - 1) / step) * step;
        while (end - lo > size_t(kMaxBlockSymbols))
            lo += step;
        std::fill(left.begin(), left.end(), 0);
        std::fill(right.begin(), right.end(), 0);
        add_items(items, start, lo, left.data(), 1);
        add_items(items, lo, end, right.data(), 1);
        float best = INFINITY;
        for (size_t x = lo; x <= hi && x - start <= size_t(kMaxBlockSymbols); x += step) {
            const float c = block_estimate(left.data(), zeros, flogf) +
                            block_estimate(right.data(), zeros, flogf);
            if (c < best) {
                best = c;
                ends[k] = x;
            }
            add_items(items, x, std::min(x + step, end), left.data(), 1);
            add_items(items, x, std::min(x + step, end), right.data(), -1);
        }
    }
}

} // namespace

void choose_blocks(const uint32_t *items, size_t n, size_t unit, std::vector<size_t> &ends) {
    const float *flogf = count_log_table().data();
    const size_t units = (n + unit - 1) / unit;
    // prefix[u * kSymbols + s]: count of symbol s among the first u units.
    std::vector<uint32_t> prefix((units + 1) * kSymbols, 0);
    for (size_t u = 0; u < units; ++u) {
        uint32_t *row = &prefix[(u + 1) * kSymbols];
        std::copy(row - kSymbols, row, row);
        for (size_t i = u * unit; i < std::min(n, (u + 1) * unit); ++i) {
            const int symbol = item_symbol(items[i]);
            ++row[symbol];
            if (symbol >= kLiteralSymbols)
                ++row[kLitLenSymbols + position_symbol(item_distance(items[i]))];
        }
    }
    std::vector<float> best(units + 1, 0);
    std::vector<size_t> from(units + 1, 0);
    for (size_t j = 1; j <= units; ++j) {
        const size_t end = std::min(n, j * unit);
        best[j] = INFINITY;
        for (size_t i = j; i-- > 0 && end - i * unit <= size_t(kMaxBlockSymbols);) {
            const float c =
                best[i] + block_estimate(&prefix[j * kSymbols], &prefix[i * kSymbols], flogf);
            if (c < best[j]) {
                best[j] = c;
                from[j] = i;
            }
        }
    }
    const size_t first = ends.size();
    for (size_t j = units; j > 0; j = from[j])
        ends.push_back(std::min(n, j * unit));
    std::reverse(ends.begin() + first, ends.end());
    refine_boundaries(items, unit, first, ends, flogf);
}

} // namespace lzh

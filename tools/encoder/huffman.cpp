#include "huffman.h"

#include <algorithm>
#include <vector>

namespace lzh {

namespace {

constexpr int kMaxSymbols = 512;

struct Leaf {
    uint32_t freq;
    uint16_t symbol;
};

// Huffman code lengths for the leaves (ascending, at least two) into depth[0, m), by the
// two-queue method: the nodes made by merging come out in ascending weight, so the two
// lightest of all are always at the fronts of the leaves and of the made nodes. Returns the
// greatest length.
int huffman_lengths(const std::vector<Leaf> &leaves, uint8_t *depth) {
    const int m = int(leaves.size());
    uint64_t weight[2 * kMaxSymbols];
    uint16_t parent[2 * kMaxSymbols];
    int leaf = 0;
    int made = m; // the lightest made node not yet merged
    for (int node = m; node < 2 * m - 1; ++node) {
        weight[node] = 0;
        for (int k = 0; k < 2; ++k) {
            const int child =
                leaf < m && (made == node || leaves[size_t(leaf)].freq <= weight[made]) ? leaf++
                                                                                        : made++;
            weight[node] += child < m ? leaves[size_t(child)].freq : weight[child];
            parent[child] = uint16_t(node);
        }
    }
    uint8_t level[2 * kMaxSymbols];
    level[2 * m - 2] = 0;
    int longest = 0;
    for (int node = 2 * m - 3; node >= 0; --node) {
        level[node] = uint8_t(level[parent[node]] + 1);
        if (node < m) {
            depth[node] = level[node];
            longest = std::max<int>(longest, level[node]);
        }
    }
    return longest;
}

} // namespace

// Package-merge. Level 0 is the leaves in ascending frequency. Level k merges the leaves with
// the packages made of consecutive pairs of level k - 1. The first 2m - 2 items of the top
// level are selected; a selected package selects the pair below it. Because packages and
// leaves both appear in ascending order, every selection is a prefix of its level: a prefix of
// P items holding q packages selects the first 2q items of the level below, and the leaves in
// it are the first P - q leaves. A leaf's code length is the number of levels that select it.
int limited_code_lengths(const uint32_t *freq, int n, int max_len, uint8_t *lengths) {
    std::vector<Leaf> leaves;
    for (int s = 0; s < n; ++s) {
        lengths[s] = 0;
        if (freq[s] != 0)
            leaves.push_back({freq[s], uint16_t(s)});
    }
    const int m = int(leaves.size());
    if (m < 2)
        return m;
    std::stable_sort(leaves.begin(), leaves.end(),
                     [](const Leaf &a, const Leaf &b) { return a.freq < b.freq; });
    // Most codes fit the limit unrestricted, and then a plain Huffman code is optimal.
    uint8_t depth[kMaxSymbols];
    if (huffman_lengths(leaves, depth) <= max_len) {
        for (int i = 0; i < m; ++i)
            lengths[leaves[size_t(i)].symbol] = depth[i];
        return m;
    }

    // weight[k] holds level k's item weights; is_package[k] says which items are packages.
    std::vector<std::vector<uint64_t>> weight(max_len);
    std::vector<std::vector<bool>> is_package(max_len);
    for (const Leaf &leaf : leaves) {
        weight[0].push_back(leaf.freq);
        is_package[0].push_back(false);
    }
    for (int k = 1; k < max_len; ++k) {
        const std::vector<uint64_t> &below = weight[k - 1];
        const size_t packages = below.size() / 2;
        size_t leaf = 0;
        size_t pkg = 0;
        while (leaf < size_t(m) || pkg < packages) {
            const uint64_t pkg_weight = pkg < packages ? below[2 * pkg] + below[2 * pkg + 1] : 0;
            if (pkg >= packages || (leaf < size_t(m) && leaves[leaf].freq <= pkg_weight)) {
                weight[k].push_back(leaves[leaf++].freq);
                is_package[k].push_back(false);
            } else {
                weight[k].push_back(pkg_weight);
                is_package[k].push_back(true);
                ++pkg;
            }
        }
    }
    size_t selected = size_t(2 * m - 2);
    for (int k = max_len - 1; k >= 0; --k) {
        size_t packages = 0;
        for (size_t i = 0; i < selected; ++i)
            packages += is_package[k][i];
        for (size_t i = 0; i < selected - packages; ++i)
            ++lengths[leaves[i].symbol];
        selected = 2 * packages;
    }
    return m;
}

void canonical_codes(const uint8_t *lengths, int n, uint16_t *codes) {
    uint32_t count[17] = {};
    for (int s = 0; s < n; ++s)
        ++count[lengths[s]];
    uint32_t next[17] = {};
    uint32_t code = 0;
    count[0] = 0;
    for (int len = 1; len <= 16; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (int s = 0; s < n; ++s)
        codes[s] = lengths[s] ? uint16_t(next[lengths[s]]++) : 0;
}

} // namespace lzh

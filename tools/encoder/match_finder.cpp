#include "match_finder.h"

#include <algorithm>
#include <cstring>

namespace lzh {

namespace {

constexpr int kHash3Bits = 14;
constexpr int kHash4Bits = 16;
constexpr int kPrefetchAhead = 4;

inline uint32_t load32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint64_t load64(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline uint32_t hash3(const uint8_t *p) {
    return ((load32(p) & 0xFFFFFF) * 0x1E35A7BDu) >> (32 - kHash3Bits);
}

inline uint32_t hash4(const uint8_t *p) {
    return (load32(p) * 0x1E35A7BDu) >> (32 - kHash4Bits);
}

// Length of the common prefix of a and b, given that the first len bytes agree; at most max.
inline int extend_match(const uint8_t *a, const uint8_t *b, int len, int max) {
    while (len < max) {
        const uint64_t diff = load64(a + len) ^ load64(b + len);
        if (diff != 0)
            return std::min(max, len + (__builtin_ctzll(diff) >> 3));
        len += 8;
    }
    return max;
}

template <bool kRecord>
int search(MatchFinder &mf, const uint8_t *buf, int32_t pos, int max_len, int nice_len, int depth,
           Match *out) {
    const uint8_t *in = buf + pos;
    const int32_t cutoff = pos - mf.window;
    // The next positions' entries load while this one is searched or inserted.
    __builtin_prefetch(&mf.hash3[hash3(in + kPrefetchAhead)]);
    __builtin_prefetch(&mf.hash4[hash4(in + kPrefetchAhead)]);
    int found = 0;
    int best_len = 2;
    nice_len = std::min(nice_len, max_len);

    const uint32_t h3 = hash3(in);
    const int32_t near3 = mf.hash3[h3];
    mf.hash3[h3] = pos;
    if (kRecord && near3 > cutoff && (load32(buf + near3) ^ load32(in)) << 8 == 0) {
        out[found++] = {3, uint16_t(pos - near3)};
        best_len = 3;
    }
    if (max_len < 4)
        return found;

    const uint32_t h4 = hash4(in);
    int32_t node = mf.hash4[h4];
    mf.hash4[h4] = pos;
    int32_t *pending_lt = &mf.child[2 * (pos & mf.mask)];
    int32_t *pending_gt = pending_lt + 1;
    // Walking down, every node already passed on the lesser (greater) side shares best_lt
    // (best_gt) leading bytes with pos, so the next node shares at least their minimum.
    int best_lt = 0;
    int best_gt = 0;
    int len = 0;
    while (node > cutoff && depth-- > 0) {
        const uint8_t *cand = buf + node;
        int32_t *children = &mf.child[2 * (node & mf.mask)];
        if (cand[len] == in[len]) {
            len = extend_match(in, cand, len + 1, max_len);
            if (kRecord && len > best_len) {
                best_len = len;
                out[found++] = {uint16_t(len), uint16_t(pos - node)};
            }
            if (len >= nice_len) {
                // pos replaces node, taking over both of its subtrees.
                *pending_lt = children[0];
                *pending_gt = children[1];
                return found;
            }
        }
        if (cand[len] < in[len]) {
            *pending_lt = node;
            pending_lt = &children[1];
            node = *pending_lt;
            best_lt = len;
            len = std::min(len, best_gt);
        } else {
            *pending_gt = node;
            pending_gt = &children[0];
            node = *pending_gt;
            best_gt = len;
            len = std::min(len, best_lt);
        }
    }
    *pending_lt = kEmpty;
    *pending_gt = kEmpty;
    return found;
}

} // namespace

void init_match_finder(MatchFinder &mf, int window_bits) {
    mf.window = int32_t(1) << window_bits;
    mf.mask = uint32_t(mf.window - 1);
    mf.hash3.assign(size_t(1) << kHash3Bits, kEmpty);
    mf.hash4.assign(size_t(1) << kHash4Bits, kEmpty);
    // A position's two links are set as it is inserted, and only inserted positions are
    // reached, so what earlier runs left in child is never read.
    mf.child.resize(2 * size_t(mf.window));
}

int find_matches(MatchFinder &mf, const uint8_t *buf, int32_t pos, int max_len, int nice_len,
                 int depth, Match *out) {
    return search<true>(mf, buf, pos, max_len, nice_len, depth, out);
}

void skip_position(MatchFinder &mf, const uint8_t *buf, int32_t pos, int max_len, int nice_len,
                   int depth) {
    search<false>(mf, buf, pos, max_len, nice_len, depth, nullptr);
}

} // namespace lzh

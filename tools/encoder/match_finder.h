// Binary-tree match finder over a sliding window of 2^window_bits bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace lzh {

struct Match {
    uint16_t length; // 3 to 256
    uint16_t offset; // 1 to window size - 1: the match starts this many bytes back
};

// Positions are indices into the caller's buffer. hash3 keeps the latest position of each
// 3-byte hash; hash4 keeps the root of one binary tree per 4-byte hash. Every tree orders its
// positions by the bytes that follow them, the most recent position at the root, and
// child[2 * (p & mask)] / child[2 * (p & mask) + 1] are the lesser / greater subtree of p.
// A position at or before (current - window size) is outside the window and ends any walk,
// so stale entries never need clearing; kEmpty is older than every real position.
struct MatchFinder {
    int32_t window = 0;
    uint32_t mask = 0;
    std::vector<int32_t> hash3;
    std::vector<int32_t> hash4;
    std::vector<int32_t> child;
};

constexpr int32_t kEmpty = INT32_MIN / 2;

void init_match_finder(MatchFinder &mf, int window_bits);

// Inserts position pos of buf and writes to out the matches it finds, in increasing length,
// each the nearest found of its length; returns their number (at most max_len - 2). max_len
// (3 or more) bounds the lengths; the buffer must hold 8 readable bytes past pos + max_len.
// A match of nice_len or more ends the search; depth bounds the tree nodes visited. The hash
// entries of pos + 4 start loading meanwhile, for the next calls.
int find_matches(MatchFinder &mf, const uint8_t *buf, int32_t pos, int max_len, int nice_len,
                 int depth, Match *out);

// Inserts position pos like find_matches, without reporting matches.
void skip_position(MatchFinder &mf, const uint8_t *buf, int32_t pos, int max_len, int nice_len,
                   int depth);

} // namespace lzh

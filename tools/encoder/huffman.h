// Length-limited Huffman code lengths and canonical code assignment.
#pragma once

#include <cstdint>

namespace lzh {

// Optimal code lengths, none above max_len, for the n symbols with frequencies freq
// (2^max_len >= n, n <= 512). Returns the number of symbols whose frequency is not 0. With two
// or more of them the lengths form a complete prefix code; with fewer, every length is 0 (the
// caller sends such a code as a single symbol). Unused symbols always get length 0.
int limited_code_lengths(const uint32_t *freq, int n, int max_len, uint8_t *lengths);

// Canonical codes for the lengths: shorter codes first, equal lengths by symbol number.
void canonical_codes(const uint8_t *lengths, int n, uint16_t *codes);

} // namespace lzh

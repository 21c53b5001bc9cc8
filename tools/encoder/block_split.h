// Choice of block boundaries by estimated cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lzh {

// Splits items[0, n) into blocks of at most kMaxBlockSymbols items so that the estimated size
// (entropy of each block's symbols plus an estimate of its header) is least. Boundaries fall
// on multiples of unit items. Appends the end index of each block to ends; the last is n.
void choose_blocks(const uint32_t *items, size_t n, size_t unit, std::vector<size_t> &ends);

} // namespace lzh

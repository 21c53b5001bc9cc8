// The -lh4- to -lh7- compressed format (format/methods.h) in the encoder's own terms.
#pragma once

#include "format/methods.h"

#include <bit>
#include <cstdint>

namespace lzh {

constexpr int kLiteralSymbols = FIRST_MATCH_SYMBOL;
constexpr int kLitLenSymbols = LIT_LEN_SYMBOLS;
constexpr int kMinMatch = MIN_MATCH;
constexpr int kMaxMatch = MAX_MATCH;
constexpr int kCodeLenSymbols = CODE_LENGTH_SYMBOLS;
constexpr int kMaxCodeLength = MAX_CODE_LENGTH;
constexpr int kMaxPositionSymbols = MAX_POSITION_SYMBOLS;
// The block symbol count is a 16-bit field; 0 would stand for 65536, which not every
// decoder accepts, so blocks stop one short of it.
constexpr int kMaxBlockSymbols = 65535;

struct MethodParams {
    int window_bits;         // 12, 13, 15 or 16
    int position_symbols;    // 14 or 17
    int position_count_bits; // 4 or 5
};

// Parameters for a method letter '4' to '7'; false for any other letter.
bool method_params(char method, MethodParams &params);

// Position symbol of a distance value d (the match starts d + 1 bytes back): 0 for d = 0,
// otherwise the bit length j of d, followed by the j - 1 bits of d below its top bit.
inline int position_symbol(uint32_t d) {
    return d == 0 ? 0 : 32 - __builtin_clz(d);
}

inline int match_symbol(int length) {
    return kLiteralSymbols + length - kMinMatch;
}

} // namespace lzh

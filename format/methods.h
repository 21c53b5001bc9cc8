// The methods a self-extractor knows, named "-lh?-" by their letter, and the constants of the
// compressed format of -lh4- to -lh7- that its decoder and the builder's encoder share.
//
// Compressed data is a series of blocks, each with three Huffman codes: the code-length code
// (which sends the literal/length code's lengths), the literal/length code, and the position
// code (whose symbol j stands for a distance value of j bits).
#pragma once

#include <stdint.h>

// "-lh0-" stored, "-lh4-" to "-lh7-" compressed, "-lhd-" a directory.
constexpr char METHOD_LETTERS[] = "04567d";
constexpr uint8_t METHOD_STORED = '0';
constexpr uint8_t METHOD_DIRECTORY = 'd';

// Literal/length symbols: 0-255 the bytes, 256-509 the match lengths 3-256.
constexpr int LIT_LEN_SYMBOLS = 510;
constexpr uint32_t FIRST_MATCH_SYMBOL = 256;
constexpr uint32_t MIN_MATCH = 3;
constexpr uint32_t MAX_MATCH = 256;
// Code-length symbols: 0-2 runs of zero lengths, 3-18 the lengths 1-16.
constexpr uint32_t CODE_LENGTH_SYMBOLS = 19;
constexpr uint32_t MAX_CODE_LENGTH = 16;
constexpr uint32_t MAX_POSITION_SYMBOLS = 17;
constexpr int WINDOW_CAPACITY = 1 << 16;

// The dictionary of a method letter '4' to '7' is 2^window_bits bytes.
constexpr uint16_t window_bits_of(uint8_t method_letter) {
    switch (method_letter) {
    case '4':
        return 12;
    case '5':
        return 13;
    case '6':
        return 15;
    default:
        return 16;
    }
}

// -lh6- and -lh7- send 17 position symbols with a 5-bit count, -lh4- and -lh5- 14 with 4.
constexpr bool has_wide_positions(uint8_t method_letter) {
    return method_letter == '6' || method_letter == '7';
}
constexpr uint16_t position_symbols_of(uint8_t method_letter) {
    return has_wide_positions(method_letter) ? MAX_POSITION_SYMBOLS : 14;
}
constexpr uint16_t position_count_bits_of(uint8_t method_letter) {
    return has_wide_positions(method_letter) ? 5 : 4;
}

// Hand-made compressed streams of -lh4- to -lh7- for the decoder tests: a bit writer, a
// small independent encoder for whole blocks, and a model of what expansion must produce.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

// Bits written most significant first, as the decoder reads them; the last byte is padded
// with 0 bits.
class BitWriter {
  public:
    // The low `bits` bits of `value`, its highest of them first.
    void put(uint32_t value, int bits);
    size_t bit_count() const { return bits_; }
    std::vector<uint8_t> bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t bits_ = 0;
};

// A code-length field: 3 bits below 7; 7 and up as 111, (length - 7) 1 bits and a 0 bit.
void put_length_field(BitWriter &out, unsigned length);

// Lengths of a complete prefix code (at most `limit` bits) for the symbols whose frequency
// is not 0. Needs at least two of them.
std::vector<uint8_t> huffman_lengths(const std::vector<uint64_t> &frequencies, unsigned limit);

// Canonical codes of a set of lengths: shorter first, equal lengths by symbol number.
std::vector<uint32_t> canonical_codes(const std::vector<uint8_t> &lengths);

// One decoded symbol: a literal (0 to 255), or a match length symbol (256 to 509) with its
// distance value (the match starts distance + 1 bytes back).
struct LzSymbol {
    uint16_t lit_len;
    uint16_t distance;
};

constexpr LzSymbol literal(uint8_t byte) {
    return {byte, 0};
}
constexpr LzSymbol match(unsigned length, unsigned distance) {
    return {(uint16_t)(length + 253), (uint16_t)distance};
}

// Writes one block (count field, three codes, symbols) for a method with
// `position_symbols` position symbols (14 or 17). A code whose symbols are all one value is
// sent as a single symbol. `count_field` overrides the block count (0 stands for 65536).
// `symbol_ends`, when given, receives the stream's bit count after each symbol.
void write_block(BitWriter &out, const std::vector<LzSymbol> &symbols, unsigned position_symbols,
                 int count_field = -1, std::vector<size_t> *symbol_ends = nullptr);

// The position symbol of a distance value and its extra bits.
unsigned position_symbol(unsigned distance);

// What expanding these symbols produces with a window of 2^window_bits bytes, up to and
// including the match that reaches `original_size` (every byte the decoder writes).
std::vector<uint8_t> model_expand(const std::vector<LzSymbol> &symbols, unsigned window_bits,
                                  uint32_t original_size);

// Random symbols that exercise every kind of match: long and short, overlapping, distance 0,
// reaching before the start, wrapping the window, up to the window's whole size.
std::vector<LzSymbol> random_symbols(uint32_t seed, size_t count, unsigned window_bits,
                                     unsigned position_symbols);

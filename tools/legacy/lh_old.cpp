// The first LZH methods: -lh1- (4 KiB window, adaptive Huffman codes for literals and match
// lengths, a fixed code for the high six bits of each position), -lh2- (8 KiB, adaptive
// codes for both, the position code growing a symbol for every 64 bytes of output) and
// -lh3- (8 KiB, static codes sent per block). Positions are distances minus one; the window
// starts out as spaces.
#include "adaptive_tree.h"
#include "canonical_code.h"
#include "methods.h"

#include <array>

namespace legacy {
namespace {

constexpr unsigned first_length_code = 256;
constexpr unsigned min_match = 3;

// A fixed code for the high bits of positions: the next per_length[i] values, in ascending
// order, get codes of first_length + i bits.
CanonicalCode fixed_position_code(unsigned first_length, std::span<const unsigned> per_length) {
    std::vector<std::uint8_t> lengths;
    unsigned length = first_length;
    for (unsigned count : per_length) {
        lengths.insert(lengths.end(), count, static_cast<std::uint8_t>(length));
        ++length;
    }
    CanonicalCode code;
    code.build(lengths);
    return code;
}

// A literal, or a match of the length the symbol gives from `distance` bytes back.
void emit(History &history, unsigned symbol, unsigned distance) {
    if (symbol < first_length_code)
        history.put(static_cast<std::uint8_t>(symbol));
    else
        history.copy_back(distance, symbol - first_length_code + min_match);
}

} // namespace

std::string expand_lh1(Packed packed, std::uint64_t size, const Sink &out) {
    static const std::array<unsigned, 6> per_length{1, 3, 8, 12, 24, 16};
    static const CanonicalCode high_bits = fixed_position_code(3, per_length);
    History history(12, ' ', size, out);
    BitInput in(packed);
    AdaptiveTree characters;
    characters.start_full(first_length_code + 60 - min_match + 1);
    while (!history.done() && !in.overrun()) {
        unsigned symbol = characters.decode(in);
        unsigned distance = 0;
        if (symbol >= first_length_code)
            distance = ((static_cast<unsigned>(high_bits.decode(in)) << 6) | in.take(6)) + 1;
        if (in.overrun())
            break;
        emit(history, symbol, distance);
    }
    return finish(history, in, "");
}

std::string expand_lh2(Packed packed, std::uint64_t size, const Sink &out) {
    constexpr unsigned window_bits = 13;
    constexpr unsigned symbols = 286, escape = symbols - 1;
    History history(window_bits, ' ', size, out);
    BitInput in(packed);
    AdaptiveTree characters, positions;
    characters.start_full(symbols);
    positions.start_single(1u << (window_bits - 6));
    // The position code gains the symbol for the next 64 bytes of window once the output
    // has gone past them.
    std::uint64_t grown_to = 64;
    while (!history.done() && !in.overrun()) {
        unsigned symbol = characters.decode(in);
        if (symbol == escape)
            symbol += in.take(8);
        unsigned distance = 0;
        if (symbol >= first_length_code) {
            for (; grown_to < (1u << window_bits) && history.written() > grown_to; grown_to += 64)
                positions.add_leaf(static_cast<unsigned>(grown_to / 64));
            distance = ((positions.decode(in) << 6) | in.take(6)) + 1;
        }
        if (in.overrun())
            break;
        emit(history, symbol, distance);
    }
    return finish(history, in, "");
}

namespace {

// One -lh3- block head: the number of codes, the character code lengths, and the position
// code lengths (or the fixed position code).
struct Lh3Codes {
    unsigned remaining = 0;
    CanonicalCode characters, positions;
};

constexpr unsigned lh3_symbols = 286;
constexpr unsigned lh3_positions = 128;

std::string read_lh3_head(BitInput &in, Lh3Codes &codes) {
    static const std::array<unsigned, 8> per_length{1, 0, 2, 3, 7, 18, 47, 50};
    static const CanonicalCode fixed = fixed_position_code(2, per_length);
    codes.remaining = in.take(16);
    if (codes.remaining == 0)
        codes.remaining = 0x10000;
    // Three lengths of 1 at the start stand for a code of a single symbol, sent next.
    std::array<std::uint8_t, lh3_symbols> lengths{};
    bool single = false;
    for (unsigned i = 0; i < lh3_symbols && !single; ++i) {
        lengths[i] = in.bit() ? static_cast<std::uint8_t>(in.take(4) + 1) : 0;
        single = i == 2 && lengths[0] == 1 && lengths[1] == 1 && lengths[2] == 1;
    }
    if (single) {
        unsigned only = in.take(9);
        if (only >= lh3_symbols)
            return "a block's only character is out of range";
        codes.characters.single(only);
    } else if (!codes.characters.build(lengths))
        return "a block's character code is impossible";
    if (!in.bit()) {
        codes.positions = fixed;
        return "";
    }
    std::array<std::uint8_t, lh3_positions> position_lengths{};
    single = false;
    for (unsigned i = 0; i < lh3_positions && !single; ++i) {
        position_lengths[i] = static_cast<std::uint8_t>(in.take(4));
        single = i == 2 && position_lengths[0] == 1 && position_lengths[1] == 1 &&
                 position_lengths[2] == 1;
    }
    if (single)
        codes.positions.single(in.take(7));
    else if (!codes.positions.build(position_lengths))
        return "a block's position code is impossible";
    return "";
}

} // namespace

std::string expand_lh3(Packed packed, std::uint64_t size, const Sink &out) {
    History history(13, ' ', size, out);
    BitInput in(packed);
    Lh3Codes codes;
    std::string damage;
    while (!history.done() && !in.overrun() && damage.empty()) {
        if (codes.remaining == 0) {
            damage = read_lh3_head(in, codes);
            if (!damage.empty() || in.overrun())
                break;
        }
        --codes.remaining;
        int symbol = codes.characters.decode(in);
        if (symbol < 0) {
            damage = "a character code no symbol has";
            break;
        }
        if (symbol == static_cast<int>(lh3_symbols - 1))
            symbol += static_cast<int>(in.take(8));
        unsigned distance = 0;
        if (symbol >= static_cast<int>(first_length_code)) {
            int high = codes.positions.decode(in);
            if (high < 0) {
                damage = "a position code no symbol has";
                break;
            }
            distance = ((static_cast<unsigned>(high) << 6) | in.take(6)) + 1;
        }
        if (in.overrun())
            break;
        emit(history, static_cast<unsigned>(symbol), distance);
    }
    return finish(history, in, damage);
}

} // namespace legacy

// The block decoder, one symbol per call.
#include "decode/blocks.h"
#include "decode/bit_input.h"
#include "decode/expand_fast.h"
#include "decode/tables.h"

namespace {

// Follows the tree below a table entry's node, one bit per branch, until a symbol.
uint32_t walk_tree(uint32_t value, uint32_t symbol_count) {
    while (value >= symbol_count) {
        value = peek_bits(1) ? state.one_branch[value] : state.zero_branch[value];
        consume_bits(1);
    }
    return value;
}

// One symbol of the code held in small_table (the code-length or the position code).
uint32_t decode_small(uint32_t symbol_count) {
    uint32_t entry = state.small_table[peek_bits(SMALL_TABLE_BITS)];
    consume_bits(entry_bits(entry));
    return walk_tree(entry_value(entry), symbol_count);
}

// A length field: three bits, and when they read 7, one more for every 1 bit that follows,
// up to the 13 bits the 16-bit peek still shows (so 20 at most), with the 0 bit that ends
// the run consumed too.
uint32_t read_length_field() {
    uint32_t length = peek_bits(3);
    if (length < 7) {
        consume_bits(3);
        return length;
    }
    for (uint32_t mask = 1u << 12; mask != 0 && (peek_bits(16) & mask); mask >>= 1)
        length++;
    consume_bits(length - 3);
    return length;
}

} // namespace

void start_block_decoder(uint8_t method_letter) {
    state.position_symbols = position_symbols_of(method_letter);
    state.position_count_bits = position_count_bits_of(method_letter);
    start_bit_input();
    state.codes_left_in_block = 0;
}

// Reads the lengths of a code-length or position code and builds its table; a zero-run field
// follows length number zero_run_after (0: none).
// A count above the symbol count reads and stores its extra lengths (the array has room for
// 31 plus a zero run of 3); they take no part in the code.
static void read_small_code_lengths(uint32_t symbol_count, uint32_t count_bits,
                                    uint32_t zero_run_after) {
    uint32_t n = take_bits(count_bits);
    if (n == 0) {
        uint32_t symbol = take_bits(count_bits);
        for (uint32_t i = 0; i < symbol_count; i++)
            state.small_lengths[i] = 0;
        fill_single_symbol(symbol_count, symbol, SMALL_TABLE_BITS, state.small_table);
        return;
    }
    uint32_t i = 0;
    while (i < n) {
        state.small_lengths[i++] = (uint8_t)read_length_field();
        if (i == zero_run_after) {
            for (uint32_t zeros = take_bits(2); zeros != 0; zeros--)
                state.small_lengths[i++] = 0;
        }
    }
    for (; i < symbol_count; i++)
        state.small_lengths[i] = 0;
    build_decode_table(symbol_count, state.small_lengths, SMALL_TABLE_BITS, state.small_table);
}

// Reads the literal/length code lengths with the code-length code and builds its table.
// A count above 510 is refused like a bad table. A zero run that reaches past the last
// symbol is cut at the end of the array: it is all zeros, and it ends the list anyway.
static void read_lit_len_lengths() {
    uint32_t n = take_bits(9);
    if (n == 0) {
        uint32_t symbol = take_bits(9);
        for (uint32_t i = 0; i < (uint32_t)LIT_LEN_SYMBOLS; i++)
            state.lit_len_lengths[i] = 0;
        fill_single_symbol(LIT_LEN_SYMBOLS, symbol, LIT_LEN_TABLE_BITS, state.lit_len_table);
        return;
    }
    if (n > (uint32_t)LIT_LEN_SYMBOLS)
        refuse_table();
    uint32_t i = 0;
    while (i < n) {
        uint32_t t = decode_small(CODE_LENGTH_SYMBOLS);
        if (t > 2) {
            state.lit_len_lengths[i++] = (uint8_t)(t - 2);
            continue;
        }
        uint32_t zeros = t == 0 ? 1 : t == 1 ? take_bits(4) + 3 : take_bits(9) + 20;
        for (uint32_t end = i + zeros; i < end && i < (uint32_t)LIT_LEN_SYMBOLS; i++)
            state.lit_len_lengths[i] = 0;
    }
    for (; i < (uint32_t)LIT_LEN_SYMBOLS; i++)
        state.lit_len_lengths[i] = 0;
    build_decode_table(LIT_LEN_SYMBOLS, state.lit_len_lengths, LIT_LEN_TABLE_BITS,
                       state.lit_len_table);
}

// Reads the next block header: its symbol count, then the code-length, literal/length and
// position codes.
static void read_block_header() {
    state.codes_left_in_block = take_bits(16);
    read_small_code_lengths(CODE_LENGTH_SYMBOLS, 5, 3);
    read_lit_len_lengths();
    read_small_code_lengths(state.position_symbols, state.position_count_bits, 0);
    build_position_entries();
}

uint16_t decode_lit_len() {
    if (state.codes_left_in_block == 0)
        read_block_header();
    state.codes_left_in_block--;
    uint32_t entry = state.lit_len_table[peek_bits(LIT_LEN_TABLE_BITS)];
    consume_bits(entry_bits(entry));
    return (uint16_t)walk_tree(entry_value(entry), LIT_LEN_SYMBOLS);
}

uint16_t decode_distance() {
    uint32_t symbol = decode_small(state.position_symbols);
    if (symbol <= 1)
        return (uint16_t)symbol;
    return (uint16_t)((1u << (symbol - 1)) + take_bits(symbol - 1));
}

// Huffman decoding tables, checked by decoding canonical codes through them, and the sets
// of lengths they refuse.
#include "abort_guard.h"
#include "decode/bit_input.h"
#include "decode/blocks.h"
#include "decode/tables.h"
#include "decode_fixture.h"
#include "lzh_stream.h"

#include <algorithm>

namespace {

class TablesTest : public DecodeTest {
  protected:
    // Builds the literal/length table from `lengths`, then decodes every symbol that has a
    // code, in the order given, from a stream of their canonical codes followed by a marker.
    void expect_lit_len_codes_decode(const std::vector<uint8_t> &lengths,
                                     const std::vector<unsigned> &order) {
        std::copy(lengths.begin(), lengths.end(), state.lit_len_lengths);
        build_decode_table(LIT_LEN_SYMBOLS, state.lit_len_lengths, LIT_LEN_TABLE_BITS,
                           state.lit_len_table);
        std::vector<uint32_t> codes = canonical_codes(lengths);
        BitWriter out;
        for (unsigned s : order)
            out.put(codes[s], lengths[s]);
        out.put(0xBEEF, 16);
        open_member(out.bytes());
        start_bit_input();
        state.codes_left_in_block = 0xFFFF;
        for (unsigned s : order)
            ASSERT_EQ(decode_lit_len(), s);
        EXPECT_EQ(take_bits(16), 0xBEEF) << "every code consumed exactly its length";
    }

    // The same through the position code: each symbol j > 1 is followed by j - 1 extra bits.
    void expect_position_codes_decode(const std::vector<uint8_t> &lengths,
                                      const std::vector<unsigned> &order) {
        state.position_symbols = (uint16_t)lengths.size();
        std::copy(lengths.begin(), lengths.end(), state.small_lengths);
        build_decode_table((uint32_t)lengths.size(), state.small_lengths, SMALL_TABLE_BITS,
                           state.small_table);
        std::vector<uint32_t> codes = canonical_codes(lengths);
        BitWriter out;
        std::vector<unsigned> expected;
        for (unsigned s : order) {
            out.put(codes[s], lengths[s]);
            unsigned extra = s > 1 ? (0x5A5Au & ((1u << (s - 1)) - 1)) : 0;
            if (s > 1)
                out.put(extra, s - 1);
            expected.push_back(s <= 1 ? s : (1u << (s - 1)) + extra);
        }
        out.put(0xBEEF, 16);
        open_member(out.bytes());
        start_bit_input();
        for (unsigned value : expected)
            ASSERT_EQ(decode_distance(), value);
        EXPECT_EQ(take_bits(16), 0xBEEF);
    }

    // Builds `lengths` as a literal/length code and expects the bad-table abort with the
    // table untouched.
    void expect_refused(const std::vector<uint8_t> &lengths, uint32_t symbol_count,
                        uint32_t table_bits) {
        std::vector<uint16_t> table(1u << table_bits, 0x1234);
        std::vector<uint8_t> padded = lengths;
        padded.resize(symbol_count, 0);
        EXPECT_FALSE(run_guarded(
            [&] { build_decode_table(symbol_count, padded.data(), table_bits, table.data()); }));
        EXPECT_EQ(state.failed, 1);
        EXPECT_EQ(box_texts(), std::vector<std::string>{bad_table_box()});
        EXPECT_TRUE(
            std::all_of(table.begin(), table.end(), [](uint16_t e) { return e == 0x1234; }));
    }
};

std::vector<unsigned> all_coded(const std::vector<uint8_t> &lengths) {
    std::vector<unsigned> order;
    for (unsigned s = 0; s < lengths.size(); s++)
        if (lengths[s])
            order.push_back(s);
    // Backwards as well, so that no symbol is found only by its place in the stream.
    order.insert(order.end(), order.rbegin(), order.rend());
    return order;
}

TEST_F(TablesTest, TwoSymbolsOfLengthOneSplitTheTable) {
    std::vector<uint8_t> lengths(17, 0);
    lengths[0] = 1;
    lengths[16] = 1;
    expect_position_codes_decode(lengths, {0, 16, 16, 0, 16});
    EXPECT_EQ(entry_value(state.small_table[0]), 0u);
    EXPECT_EQ(entry_value(state.small_table[127]), 0u);
    EXPECT_EQ(entry_value(state.small_table[128]), 16u);
    EXPECT_EQ(entry_value(state.small_table[255]), 16u);
}

// Codes no longer than the table's index resolve in one lookup: no node is taken.
TEST_F(TablesTest, CompleteShortCodesNeedNoNodes) {
    std::fill(std::begin(state.zero_branch), std::end(state.zero_branch), 0xEEEE);
    std::fill(std::begin(state.one_branch), std::end(state.one_branch), 0xEEEE);
    std::vector<uint8_t> lengths(LIT_LEN_SYMBOLS, 0);
    // 1/2 + 1/4 + ... + 1/2048 + 2 * 1/4096 = 1
    for (unsigned l = 1; l <= 11; l++)
        lengths[40 * l] = (uint8_t)l;
    lengths[3] = 12;
    lengths[509] = 12;
    expect_lit_len_codes_decode(lengths, all_coded(lengths));
    EXPECT_TRUE(std::all_of(std::begin(state.zero_branch), std::end(state.zero_branch),
                            [](uint16_t v) { return v == 0xEEEE; }));

    std::vector<uint8_t> flat(LIT_LEN_SYMBOLS, 0);
    std::fill(flat.begin(), flat.begin() + 508, 9); // 508 / 512
    flat[508] = flat[509] = 8;                      // + 4 / 512
    expect_lit_len_codes_decode(flat, all_coded(flat));
}

// Codes of 13 to 16 bits hang off the table in trees; their nodes are numbered from 510
// in the order of the symbols that need them.
TEST_F(TablesTest, LongCodesWalkTreesNumberedFromTheSymbolCount) {
    std::vector<uint8_t> lengths(LIT_LEN_SYMBOLS, 0);
    for (unsigned l = 1; l <= 15; l++)
        lengths[30 * l + 7] = (uint8_t)l; // 1 - 1/32768 of the code space
    lengths[2] = 16;
    lengths[500] = 16; // the last 2/65536
    expect_lit_len_codes_decode(lengths, all_coded(lengths));

    // Symbol 2 is the first long code: its prefix entry is the first node, 510.
    std::vector<uint32_t> codes = canonical_codes(lengths);
    uint16_t root = state.lit_len_table[codes[2] >> 4];
    EXPECT_EQ(entry_value(root), 510u);
    EXPECT_EQ(entry_bits(root), 12u) << "the table's 12 bits go first";
}

TEST_F(TablesTest, RealisticCodesFromFrequenciesDecode) {
    std::vector<uint64_t> frequencies(LIT_LEN_SYMBOLS, 0);
    uint64_t f = 1;
    for (unsigned s = 0; s < LIT_LEN_SYMBOLS; s += 3, f = f * 3 / 2 + 1)
        frequencies[s] = f % 1000003 + 1;
    std::vector<uint8_t> lengths = huffman_lengths(frequencies, 16);
    ASSERT_GT(*std::max_element(lengths.begin(), lengths.end()), 12);
    expect_lit_len_codes_decode(lengths, all_coded(lengths));

    std::vector<uint64_t> positions = {1,  1,  2,   3,   5,   8,   13,  21,  34,
                                       55, 89, 144, 233, 377, 610, 987, 1597};
    std::vector<uint8_t> position_lengths = huffman_lengths(positions, 16);
    ASSERT_GT(*std::max_element(position_lengths.begin(), position_lengths.end()), 8);
    expect_position_codes_decode(position_lengths, all_coded(position_lengths));
}

// The format's own test: lengths that do not add up to the code space modulo 65536.
TEST_F(TablesTest, BadSumIsRefused) {
    expect_refused({1, 1, 1}, 19, SMALL_TABLE_BITS);
}

TEST_F(TablesTest, IncompleteCodeIsRefused) {
    expect_refused({0, 0, 2, 2, 2}, LIT_LEN_SYMBOLS, LIT_LEN_TABLE_BITS);
}

// The sets that pass the modulo test without being a code.
TEST_F(TablesTest, NoCodesAtAllIsRefused) {
    expect_refused({}, 17, SMALL_TABLE_BITS);
}

TEST_F(TablesTest, CodeSpaceFilledTwiceIsRefused) {
    expect_refused({1, 1, 1, 1}, 14, SMALL_TABLE_BITS);
    standin::message_boxes().clear();
    std::vector<uint8_t> twice(LIT_LEN_SYMBOLS, 0);
    std::fill(twice.begin(), twice.begin() + 16, 3); // 16 / 8
    expect_refused(twice, LIT_LEN_SYMBOLS, LIT_LEN_TABLE_BITS);
}

TEST_F(TablesTest, LengthsAboveSixteenAreRefused) {
    std::vector<uint8_t> lengths;
    for (unsigned l = 1; l <= 16; l++)
        lengths.push_back((uint8_t)l);
    lengths.push_back(17);
    lengths.push_back(17); // exactly the whole code space, with 17-bit codes
    expect_refused(lengths, 19, SMALL_TABLE_BITS);
    standin::message_boxes().clear();
    expect_refused({20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 16}, 19,
                   SMALL_TABLE_BITS);
}

// Lengths stored beyond the symbol count take no part in the code.
TEST_F(TablesTest, LengthsPastTheSymbolCountAreIgnored) {
    std::vector<uint8_t> lengths = {1, 2, 3, 3, 20, 20, 5};
    std::copy(lengths.begin(), lengths.end(), state.small_lengths);
    EXPECT_TRUE(run_guarded(
        [] { build_decode_table(4, state.small_lengths, SMALL_TABLE_BITS, state.small_table); }));
    EXPECT_TRUE(standin::message_boxes().empty());
}

TEST_F(TablesTest, SingleSymbolCodesCostNoBits) {
    fill_single_symbol(LIT_LEN_SYMBOLS, 300, LIT_LEN_TABLE_BITS, state.lit_len_table);
    open_member({0xC3, 0x3C});
    start_bit_input();
    state.codes_left_in_block = 10;
    EXPECT_EQ(decode_lit_len(), 300);
    EXPECT_EQ(decode_lit_len(), 300);
    EXPECT_EQ(take_bits(16), 0xC33C);
}

TEST_F(TablesTest, SingleSymbolAtOrAboveTheCountIsRefused) {
    std::vector<uint16_t> table(256, 0x1234);
    EXPECT_FALSE(run_guarded([&] { fill_single_symbol(19, 19, SMALL_TABLE_BITS, table.data()); }));
    EXPECT_EQ(box_texts(), std::vector<std::string>{bad_table_box()});
    EXPECT_TRUE(run_guarded([&] { fill_single_symbol(19, 18, SMALL_TABLE_BITS, table.data()); }));
}

} // namespace

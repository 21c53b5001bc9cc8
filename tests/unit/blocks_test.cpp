// The block decoder on hand-written block headers, field by field.
#include "abort_guard.h"
#include "decode/bit_input.h"
#include "decode/blocks.h"
#include "decode_fixture.h"
#include "lzh_stream.h"

namespace {

class BlocksTest : public DecodeTest {
  protected:
    void start(const BitWriter &out, uint8_t method_letter = '5') {
        open_member(out.bytes());
        start_block_decoder(method_letter);
    }
    // Expects the bad-table abort from the next symbol.
    void expect_refused_block() {
        EXPECT_FALSE(run_guarded([] { decode_lit_len(); }));
        EXPECT_EQ(state.failed, 1);
        EXPECT_EQ(box_texts(), std::vector<std::string>{bad_table_box()});
    }
};

// A header whose three codes are single symbols: no bits per symbol at all.
void put_single_symbol_header(BitWriter &out, uint32_t count, unsigned lit_len, unsigned position,
                              unsigned position_bits = 4, unsigned code_length = 0) {
    out.put(count, 16);               // symbols in the block
    out.put(0, 5);                    // code-length code: count 0, a single symbol
    out.put(code_length, 5);          //   the symbol
    out.put(0, 9);                    // literal/length code: count 0, a single symbol
    out.put(lit_len, 9);              //   the symbol
    out.put(0, position_bits);        // position code: count 0, a single symbol
    out.put(position, position_bits); //   the symbol
}

TEST_F(BlocksTest, CountOfZeroIsA65536SymbolBlock) {
    BitWriter out;
    put_single_symbol_header(out, 0, 'Q', 0);
    put_single_symbol_header(out, 1, 'R', 0);
    start(out);
    for (int i = 0; i < 65536; i++)
        ASSERT_EQ(decode_lit_len(), 'Q') << i;
    EXPECT_EQ(decode_lit_len(), 'R');
}

TEST_F(BlocksTest, EachBlockBringsItsOwnCodes) {
    BitWriter out;
    put_single_symbol_header(out, 2, 'x', 0);
    put_single_symbol_header(out, 3, 300, 0);
    put_single_symbol_header(out, 1, 'z', 0);
    start(out);
    std::vector<unsigned> got;
    for (int i = 0; i < 6; i++)
        got.push_back(decode_lit_len());
    EXPECT_EQ(got, (std::vector<unsigned>{'x', 'x', 300, 300, 300, 'z'}));
}

// A single-symbol position code costs no bits for the symbol, but its extra bits are
// still read for every distance.
TEST_F(BlocksTest, SingleSymbolPositionCodeStillReadsExtraBits) {
    BitWriter out;
    put_single_symbol_header(out, 3, 256, 5);
    out.put(0b1010, 4); // extra bits of the first distance: 16 + 10
    out.put(0b0001, 4); // of the second: 16 + 1
    out.put(0xAB, 8);   // what follows
    start(out);
    EXPECT_EQ(decode_lit_len(), 256);
    EXPECT_EQ(decode_distance(), 26);
    EXPECT_EQ(decode_lit_len(), 256);
    EXPECT_EQ(decode_distance(), 17);
    EXPECT_EQ(take_bits(8), 0xAB);
}

TEST_F(BlocksTest, PositionSymbolsZeroAndOneReadNoExtraBits) {
    BitWriter out;
    put_single_symbol_header(out, 1, 256, 1);
    out.put(0xCD, 8);
    start(out);
    decode_lit_len();
    EXPECT_EQ(decode_distance(), 1);
    EXPECT_EQ(decode_distance(), 1);
    EXPECT_EQ(take_bits(8), 0xCD);
}

// Length fields of 7 and more: 111 0 is 7 (4 bits), 111 110 is 9 (6 bits). The
// code-length code below has codes of 9 bits, which pass its 8-bit table into the tree.
TEST_F(BlocksTest, EscapedLengthFieldsAndLongCodeLengthCodes) {
    // Code-length code lengths of t0..t9: 1/2 + 1/4 + ... + 1/256 + 2/512 = 1.
    const std::vector<uint8_t> cl = {1, 9, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<uint32_t> clc = canonical_codes(cl);

    BitWriter out;
    out.put(7, 16);       // symbols in the block
    out.put(10, 5);       // code-length code: 10 lengths
    out.put(0b001, 3);    //   t0: 1
    out.put(0b111110, 6); //   t1: 9, as 111 110
    out.put(0b010, 3);    //   t2: 2
    out.put(0, 2);        //   zero-run field after the third length: none
    out.put(0b011, 3);    //   t3: 3
    out.put(0b100, 3);    //   t4: 4
    out.put(0b101, 3);    //   t5: 5
    out.put(0b110, 3);    //   t6: 6
    out.put(0b1110, 4);   //   t7: 7, as 111 0
    out.put(0b11110, 5);  //   t8: 8, as 111 10
    out.put(0b111110, 6); //   t9: 9
    out.put('g' + 1, 9);  // literal/length code: lengths of symbols 0 to 'g'
    out.put(clc[1], 9);   //   t1: a run of 3 + 13 = 16 zeros (9-bit code)
    out.put(13, 4);
    out.put(clc[2], 2); //   t2: a run of 20 + 61 = 81 zeros, up to 'a' - 1
    out.put(61, 9);
    const unsigned lit_lengths[] = {1, 2, 3, 4, 5, 6, 6}; // 'a' to 'g', a complete code
    for (unsigned l : lit_lengths)
        out.put(clc[l + 2], cl[l + 2]); //   t = length + 2
    out.put(0, 4);                      // position code: a single symbol
    out.put(0, 4);                      //   0
    std::vector<uint8_t> lengths(LIT_LEN_SYMBOLS, 0);
    for (unsigned i = 0; i < 7; i++)
        lengths['a' + i] = (uint8_t)lit_lengths[i];
    std::vector<uint32_t> codes = canonical_codes(lengths);
    const char text[] = "gfedcba";
    for (const char *c = text; *c; c++)
        out.put(codes[(uint8_t)*c], lengths[(uint8_t)*c]);
    out.put(0x5E, 8);
    start(out);

    for (const char *c = text; *c; c++)
        ASSERT_EQ(decode_lit_len(), (uint8_t)*c);
    EXPECT_EQ(take_bits(8), 0x5E);
    for (unsigned s = 0; s < LIT_LEN_SYMBOLS; s++)
        ASSERT_EQ(state.lit_len_lengths[s], lengths[s]) << "lengths past n are 0, symbol " << s;
}

// A list of exactly three lengths still carries the 2-bit zero-run field; a shorter one
// does not. Reading it wrongly (or not at all) shifts the single symbol that follows.
TEST_F(BlocksTest, ZeroRunFieldFollowsTheThirdLengthOnly) {
    for (unsigned n : {2u, 3u}) {
        SCOPED_TRACE(n);
        BitWriter out;
        out.put(1, 16);             // one symbol
        out.put(n, 5);              // code-length code: n lengths
        out.put(1, 3);              //   t0: 1
        out.put(n == 2 ? 1 : 2, 3); //   t1: 1, or 2 when a third follows
        if (n == 3) {
            out.put(2, 3); //   t2: 2
            out.put(0, 2); //   zero-run field: read although no length follows
        }
        out.put(0, 9);  // literal/length code: a single symbol
        out.put(77, 9); //   77
        out.put(0, 4);  // position code: a single symbol
        out.put(3, 4);  //   3
        out.put(0x99, 8);
        open_member(out.bytes());
        start_block_decoder('5');
        EXPECT_EQ(decode_lit_len(), 77);
        EXPECT_EQ(take_bits(8), 0x99);
        DecodeTest::TearDown();
        DecodeTest::SetUp();
    }
}

// With a zero run of 2 after the third length, the fourth length read lands on symbol 5.
TEST_F(BlocksTest, ZeroRunSkipsCodeLengthSymbols) {
    BitWriter out;
    out.put(2, 16); // two symbols
    out.put(6, 5);  // code-length code: 6 lengths
    out.put(0, 3);  //   t0: 0
    out.put(0, 3);  //   t1: 0
    out.put(1, 3);  //   t2: 1
    out.put(2, 2);  //   zero run: t3 and t4 are 0
    out.put(1, 3);  //   t5: 1 (lit/len length 3)
    out.put(8, 9);  // literal/length code: 8 lengths
    for (int i = 0; i < 8; i++)
        out.put(1, 1); //   t5 (code 1) eight times: symbols 0..7 of length 3
    out.put(0, 4);     // position code: a single symbol
    out.put(0, 4);     //   0
    out.put(0b101, 3); // symbol 5
    out.put(0b010, 3); // symbol 2
    start(out);
    EXPECT_EQ(decode_lit_len(), 5);
    EXPECT_EQ(decode_lit_len(), 2);
    EXPECT_EQ(state.small_lengths[3], 0);
}

// "-lh6-" decodes with 17 position symbols even when the stream sends 16 or fewer
// lengths; the count field is 5 bits wide.
TEST_F(BlocksTest, WidePositionCodeWithFewLengths) {
    BitWriter out;
    out.put(3, 16);   // three symbols
    out.put(0, 5);    // code-length code: a single symbol
    out.put(0, 5);    //   0
    out.put(0, 9);    // literal/length code: a single symbol
    out.put(256, 9);  //   a match of length 3
    out.put(3, 5);    // position code: 3 lengths (5-bit count)
    out.put(2, 3);    //   p0: 2
    out.put(1, 3);    //   p1: 1
    out.put(2, 3);    //   p2: 2
    out.put(0b10, 2); // p0
    out.put(0b0, 1);  // p1
    out.put(0b11, 2); // p2
    out.put(1, 1);    //   its extra bit: 2 + 1
    out.put(0x42, 8);
    start(out, '6');
    EXPECT_EQ(state.position_symbols, 17);
    std::vector<unsigned> got;
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(decode_lit_len(), 256);
        got.push_back(decode_distance());
    }
    EXPECT_EQ(got, (std::vector<unsigned>{0, 1, 3}));
    EXPECT_EQ(take_bits(8), 0x42);
}

TEST_F(BlocksTest, PositionCodeSizeFollowsTheMethod) {
    for (char letter : {'4', '5', '6', '7'}) {
        BitWriter out;
        open_member(out.bytes());
        start_block_decoder((uint8_t)letter);
        bool wide = letter >= '6';
        EXPECT_EQ(state.position_symbols, wide ? 17 : 14) << letter;
        EXPECT_EQ(state.position_count_bits, wide ? 5 : 4) << letter;
        EXPECT_EQ(state.codes_left_in_block, 0);
        CloseHandle(state.archive_handle);
        state.archive_handle = INVALID_HANDLE_VALUE;
    }
}

// A count above the symbol count: the extra lengths are read, then play no part.
TEST_F(BlocksTest, ExtraSmallCodeLengthsAreReadAndIgnored) {
    BitWriter out;
    out.put(1, 16);  // one symbol
    out.put(0, 5);   // code-length code: a single symbol
    out.put(0, 5);   //   0
    out.put(0, 9);   // literal/length code: a single symbol
    out.put(256, 9); //   a match of length 3
    out.put(15, 4);  // position code: 15 lengths of 14 symbols
    out.put(1, 3);   //   p0: 1
    for (int i = 1; i < 13; i++)
        out.put(0, 3);     //   p1..p12: 0
    out.put(1, 3);         //   p13: 1
    out.put(0b1111110, 7); //   a 15th length, 10: read and ignored
    out.put(1, 1);         // p13
    out.put(0xABC, 12);    //   its 12 extra bits: 4096 + 0xABC
    start(out);
    EXPECT_EQ(decode_lit_len(), 256);
    EXPECT_EQ(decode_distance(), 4096 + 0xABC);
}

TEST_F(BlocksTest, LiteralLengthCountAbove510IsRefused) {
    BitWriter out;
    out.put(1, 16);
    out.put(0, 5);   // code-length code: a single symbol
    out.put(0, 5);   //   t0
    out.put(511, 9); // literal/length code: 511 lengths
    start(out);
    expect_refused_block();
}

TEST_F(BlocksTest, SingleSymbolsOutsideTheirCodeAreRefused) {
    struct Case {
        const char *what;
        unsigned code_length_symbol, lit_len_symbol, position_symbol;
        char method;
    };
    const Case cases[] = {
        {"code-length symbol 19", 19, 0, 0, '5'},
        {"code-length symbol 31", 31, 0, 0, '5'},
        {"literal/length symbol 510", 0, 510, 0, '5'},
        {"literal/length symbol 511", 0, 511, 0, '7'},
        {"position symbol 14 of -lh5-", 0, 65, 14, '5'},
        {"position symbol 15 of -lh4-", 0, 65, 15, '4'},
        {"position symbol 17 of -lh6-", 0, 65, 17, '6'},
        {"position symbol 31 of -lh7-", 0, 65, 31, '7'},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        unsigned position_bits = c.method >= '6' ? 5 : 4;
        BitWriter out;
        put_single_symbol_header(out, 1, c.lit_len_symbol, c.position_symbol, position_bits,
                                 c.code_length_symbol);
        open_member(out.bytes());
        start_block_decoder((uint8_t)c.method);
        expect_refused_block();
        DecodeTest::TearDown();
        DecodeTest::SetUp();
    }
}

// A code-length code whose used symbol has a 20-bit length field: refused.
TEST_F(BlocksTest, LengthFieldOfTwentyIsRefused) {
    BitWriter out;
    out.put(1, 16);
    out.put(2, 5);     // code-length code: 2 lengths
    out.put(0b111, 3); //   t0: 7 + 13 ones = 20, taking 17 bits
    out.put(0x1FFF, 13);
    out.put(0, 1); //     (the bit that would end the run is consumed as well)
    out.put(1, 3); //   t1: 1
    start(out);
    expect_refused_block();
}

// A zero run that reaches past symbol 509 is cut at the array's end and ends the list.
TEST_F(BlocksTest, ZeroRunPastTheLastSymbolIsClipped) {
    BitWriter out;
    out.put(2, 16);  // two symbols
    out.put(4, 5);   // code-length code: 4 lengths
    out.put(0, 3);   //   t0: 0
    out.put(0, 3);   //   t1: 0
    out.put(1, 3);   //   t2: 1
    out.put(0, 2);   //   zero run: none
    out.put(1, 3);   //   t3: 1 (lit/len length 1)
    out.put(510, 9); // literal/length code: 510 lengths
    out.put(1, 1);   //   t3: symbol 0 has length 1
    out.put(1, 1);   //   t3: symbol 1 has length 1
    out.put(0, 1);   //   t2: a run of 20 + 511 = 531 zeros from symbol 2, past 509
    out.put(511, 9);
    out.put(0, 4);    // position code: a single symbol
    out.put(0, 4);    //   0
    out.put(0b10, 2); // symbols 1 and 0
    out.put(0xEE, 8);
    start(out);
    bool returned = run_guarded([] {
        EXPECT_EQ(decode_lit_len(), 1);
        EXPECT_EQ(decode_lit_len(), 0);
    });
    EXPECT_TRUE(returned);
    EXPECT_EQ(take_bits(8), 0xEE);
    EXPECT_TRUE(standin::message_boxes().empty());
}

// Random blocks from the test encoder decode symbol for symbol, distances included.
TEST_F(BlocksTest, EncodedBlocksDecodeSymbolForSymbol) {
    for (char method : {'4', '5', '6', '7'}) {
        SCOPED_TRACE(method);
        unsigned bits = method == '4' ? 12 : method == '5' ? 13 : method == '6' ? 15 : 16;
        unsigned positions = method >= '6' ? 17 : 14;
        std::vector<LzSymbol> all;
        BitWriter out;
        for (uint32_t block = 0; block < 4; block++) {
            auto symbols = random_symbols(block * 31 + method, 500 + block * 1200, bits, positions);
            write_block(out, symbols, positions);
            all.insert(all.end(), symbols.begin(), symbols.end());
        }
        out.put(0x77, 8);
        open_member(out.bytes());
        start_block_decoder((uint8_t)method);
        for (size_t i = 0; i < all.size(); i++) {
            ASSERT_EQ(decode_lit_len(), all[i].lit_len) << i;
            if (all[i].lit_len >= 256) {
                ASSERT_EQ(decode_distance(), all[i].distance) << i;
            }
        }
        EXPECT_EQ(take_bits(8), 0x77);
        DecodeTest::TearDown();
        DecodeTest::SetUp();
    }
}

} // namespace

// Member expansion: what reaches the sink, in which blocks, with which progress reports.
#include "decode/bit_input.h"
#include "decode/expand.h"
#include "decode_fixture.h"
#include "lzh_builder.h"
#include "lzh_stream.h"

#include <algorithm>
#include <random>

namespace {

class ExpandTest : public DecodeTest {
  protected:
    // Expands `stream` as a member of the given method and original size into C:\out.bin,
    // inside the recording owner window; returns the output.
    std::vector<uint8_t> expand(char method, const std::vector<uint8_t> &stream,
                                uint32_t original_size, uint64_t total) {
        open_member(stream, {0x00});
        open_output();
        set_header(method, (uint32_t)stream.size(), original_size);
        set_total(total);
        EXPECT_TRUE(run_in_owner([] { expand_member(); }));
        return output();
    }
    void set_total(uint64_t total) {
        state.config.total_size_low = (uint32_t)total;
        state.config.total_size_high = (uint32_t)(total >> 32);
    }
};

unsigned window_bits_of(char method) {
    return method == '4' ? 12 : method == '5' ? 13 : method == '6' ? 15 : 16;
}

std::vector<uint8_t> single_literal_stream(uint8_t byte) {
    BitWriter out;
    out.put(0, 16);   // a block of 65536 symbols
    out.put(0, 5);    // code-length code: a single symbol
    out.put(0, 5);    //   0
    out.put(0, 9);    // literal/length code: a single symbol,
    out.put(byte, 9); //   the literal, costing no bits
    out.put(0, 4);    // position code: a single symbol
    out.put(0, 4);    //   0
    return out.bytes();
}

std::vector<uint8_t> encode(const std::vector<LzSymbol> &symbols, unsigned position_symbols,
                            size_t block_size = 20000) {
    BitWriter out;
    for (size_t i = 0; i < symbols.size(); i += block_size) {
        std::vector<LzSymbol> block(symbols.begin() + i,
                                    symbols.begin() + std::min(symbols.size(), i + block_size));
        write_block(out, block, position_symbols);
    }
    return out.bytes();
}

// No symbol is decoded and nothing reaches the sink, although the start of the compressed
// data has been taken.
TEST_F(ExpandTest, EmptyMemberWritesAndReportsNothing) {
    std::vector<uint8_t> stream = single_literal_stream('a');
    std::vector<uint8_t> out = expand('5', stream, 0, 100);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(archive_position(), stream.size()) << "the one block of the member was read";
    EXPECT_EQ(state.bytes_done, 0u);
}

// A literal that fills the window leaves with it, and the report that follows counts it
// although bytes_done does not yet.
TEST_F(ExpandTest, ExactlyOneWindowIsOneWriteAndOneReport) {
    std::vector<uint8_t> out = expand('4', single_literal_stream('w'), 4096, 4096);
    EXPECT_EQ(out, std::vector<uint8_t>(4096, 'w'));
    EXPECT_EQ(reports, (std::vector<ProgressReport>{{100, 4095, 4096}}));
    EXPECT_EQ(state.bytes_done, 4096u);
    EXPECT_EQ(state.crc, bitwise_crc16(out));
}

// Past its data a member reads as zero bits, and zeros have CRC 0: the block of 65536
// costless zero literals is whole, the symbol after it needs a block header beyond the data.
TEST_F(ExpandTest, NeedingBitsBeyondTheDataIsDamage) {
    std::vector<uint8_t> stream = single_literal_stream(0);
    for (uint32_t size : {65536u, 65537u}) {
        std::vector<uint8_t> out = expand('5', stream, size, size);
        EXPECT_EQ(out, std::vector<uint8_t>(size, 0));
        EXPECT_EQ(member_intact(0), size == 65536) << size;
    }
    copy_stored_member(0);
    EXPECT_TRUE(member_intact(0)) << "a stored copy takes no bits";
}

TEST_F(ExpandTest, OneByteMoreIsAFinalOneByteWrite) {
    std::vector<uint8_t> out = expand('4', single_literal_stream('w'), 4097, 8194);
    EXPECT_EQ(out, std::vector<uint8_t>(4097, 'w'));
    EXPECT_EQ(reports, (std::vector<ProgressReport>{{49, 4095, 4096}, {50, 4097, 4097}}));
}

// A match that crosses the window's end is counted whole before its first byte, and is
// copied whole even past the original size.
TEST_F(ExpandTest, MatchesAreCountedAndCopiedWhole) {
    std::vector<LzSymbol> symbols(4000, literal('a'));
    symbols.push_back(literal('b'));
    symbols.push_back(match(200, 1)); // "ab" repeated across the window's end
    std::vector<uint8_t> out = expand('4', encode(symbols, 14), 4050, 4201);
    EXPECT_EQ(out, model_expand(symbols, 12, 4050));
    EXPECT_EQ(out.size(), 4201u);
    EXPECT_EQ(reports, (std::vector<ProgressReport>{{100, 4201, 4096}})) << "the bar stays";
    EXPECT_EQ(state.produced_count, 4201u);
}

TEST_F(ExpandTest, EarlyMatchesCopySpacesAndDistanceZeroRepeats) {
    std::vector<LzSymbol> symbols = {match(5, 10),   literal('k'), match(4, 0),
                                     match(3, 4096), literal('z'), match(7, 1)};
    std::vector<uint8_t> out = expand('5', encode(symbols, 14), 21, 21);
    std::string text(out.begin(), out.end());
    EXPECT_EQ(text, "     kkkkk   z z z z ");
}

// Random streams of every method decode to what the model says, across many windows and
// blocks: the fast loop, the checked path near the window's and the read buffer's ends,
// and the hand-over between them.
TEST_F(ExpandTest, RandomStreamsMatchTheModel) {
    for (char method : {'4', '5', '6', '7'}) {
        for (uint32_t seed : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << method << " seed " << seed);
            unsigned bits = window_bits_of(method);
            unsigned positions = method >= '6' ? 17 : 14;
            auto symbols =
                random_symbols(seed * 97 + method, seed == 1 ? 70000 : 60000, bits, positions);
            // Stops a few bytes short of the last symbol: the symbol that reaches the size
            // is the last one decoded, and is copied whole.
            uint32_t original = (uint32_t)model_expand(symbols, bits, UINT32_MAX).size() - 3;
            std::vector<uint8_t> expected = model_expand(symbols, bits, original);
            std::vector<uint8_t> stream = encode(symbols, positions, seed == 1 ? 65536 : 7000);
            std::vector<uint8_t> out = expand(method, stream, original, expected.size());
            ASSERT_EQ(out.size(), expected.size());
            ASSERT_TRUE(out == expected);
            EXPECT_EQ(state.crc, bitwise_crc16(expected));
            EXPECT_EQ(state.bytes_done, expected.size());
            // Reports come after whole windows, each one moving the bar.
            size_t window = 1u << bits;
            ASSERT_FALSE(reports.empty());
            for (size_t i = 0; i + 1 < reports.size(); i++) {
                EXPECT_EQ(reports[i].output_size % window, 0u);
                EXPECT_EQ(reports[i].percent, (int)(reports[i].bytes_done * 100 / expected.size()));
                EXPECT_LT(reports[i].percent, reports[i + 1].percent);
            }
            EXPECT_EQ(reports.back().output_size, expected.size());
            EXPECT_EQ(reports.back().percent, 100);
            reports.clear();
            DecodeTest::TearDown();
            DecodeTest::SetUp();
        }
    }
}

// Codes of every length from 1 to 16, which Fibonacci frequencies give: first for the
// position values (the fast loop finds codes of up to 8 bits in its table, with their extra
// bits, and walks the tree below it for the rest), then for literals and match lengths.
TEST_F(ExpandTest, CodesOfEveryLengthDecode) {
    std::vector<unsigned> fibonacci = {1, 1};
    while (fibonacci.size() < 17)
        fibonacci.push_back(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
    std::mt19937 random(7);
    std::vector<LzSymbol> positions;
    for (unsigned j = 0; j < 17; j++) {
        for (unsigned n = 0; n < fibonacci[16 - j]; n++) {
            unsigned extra = j > 1 ? (unsigned)random() % (1u << (j - 1)) : 0;
            positions.push_back(match(3 + n % 5, j > 1 ? (1u << (j - 1)) + extra : j));
            positions.push_back(literal('x'));
        }
    }
    std::shuffle(positions.begin(), positions.end(), random);
    std::vector<LzSymbol> lit_lens;
    for (unsigned k = 0; k < 17; k++) {
        LzSymbol symbol = k % 3 == 0 ? match(3 + k, 5) : literal((uint8_t)('a' + k));
        lit_lens.insert(lit_lens.end(), fibonacci[k % 2 ? k : 16 - k], symbol);
    }
    std::shuffle(lit_lens.begin(), lit_lens.end(), random);
    BitWriter bits;
    write_block(bits, positions, 17);
    write_block(bits, lit_lens, 17);
    std::vector<LzSymbol> symbols = positions;
    symbols.insert(symbols.end(), lit_lens.begin(), lit_lens.end());
    uint32_t size = (uint32_t)model_expand(symbols, 16, UINT32_MAX).size();
    EXPECT_TRUE(expand('7', bits.bytes(), size, size) == model_expand(symbols, 16, size));
    EXPECT_FALSE(input_overran());
}

// Compressed data shorter than its header says is padded with zero bits: here the code of
// '0' is the single bit 0, so a block that promises 65536 symbols goes on producing '0'
// once its data is used up, and nothing past the member is read.
TEST_F(ExpandTest, DataPastTheEndIsZeroBits) {
    BitWriter bits;
    write_block(bits, {literal('0'), literal('1'), literal('0')}, 14, 0);
    std::vector<uint8_t> stream = bits.bytes();
    std::vector<uint8_t> out = expand('5', stream, 50, 50);
    EXPECT_EQ(std::string(out.begin(), out.end()), "010" + std::string(47, '0'));
    EXPECT_EQ(archive_position(), stream.size());
}

// The archive is read as far as a 16-bit lookahead behind the last symbol reaches, and no
// further: compressed data the member does not need, past a block boundary, stays unread,
// and the next read of the archive starts there. Checked on both sides of the boundary.
TEST_F(ExpandTest, ReadsGoAsFarAsTheLookaheadBehindTheLastSymbol) {
    auto symbols = random_symbols(5, 60000, 16, 17);
    BitWriter bits;
    std::vector<size_t> ends;
    write_block(bits, symbols, 17, -1, &ends);
    std::vector<uint8_t> stream = bits.bytes();
    ASSERT_GT(stream.size(), 2u * READ_BUFFER_SIZE);
    const size_t boundary_bits = 8 * READ_BUFFER_SIZE;
    size_t last_inside = 0;
    while (ends[last_inside + 1] + 16 <= boundary_bits)
        last_inside++;
    for (size_t i : {last_inside, last_inside + 1}) {
        SCOPED_TRACE(i);
        std::vector<LzSymbol> head(symbols.begin(), symbols.begin() + i + 1);
        uint32_t original = (uint32_t)model_expand(head, 16, UINT32_MAX).size();
        expand('7', stream, original, original);
        EXPECT_EQ(archive_position(),
                  ends[i] + 16 <= boundary_bits ? READ_BUFFER_SIZE : 2 * READ_BUFFER_SIZE);
        DecodeTest::TearDown();
        DecodeTest::SetUp();
    }
}

TEST_F(ExpandTest, EachMemberStartsWithAFreshWindow) {
    std::vector<LzSymbol> first(100, literal('x'));
    expand('7', encode(first, 17), 100, 100);
    DecodeTest::TearDown();
    DecodeTest::SetUp();
    std::vector<uint8_t> out = expand('7', encode({match(3, 99)}, 17), 3, 3);
    EXPECT_EQ(std::string(out.begin(), out.end()), "   ");
}

// Within one run, a later member's matches that reach before its start find spaces, not
// what earlier members left: a last match copied whole past its member's size, a stored
// member, a member that went round its window.
TEST_F(ExpandTest, EarlierMembersLeaveOnlySpacesBehind) {
    auto reach_back = [&](char method) { // "a", then 10 bytes from window offset 600
        uint32_t window = 1u << window_bits_of(method);
        std::vector<LzSymbol> symbols = {literal('a'), match(10, window - 600)};
        std::vector<uint8_t> out = expand(method, encode(symbols, method < '6' ? 14 : 17), 11, 11);
        return std::string(out.begin(), out.end());
    };
    std::vector<LzSymbol> first(500, literal('x'));
    first.push_back(match(256, 0));
    expand('7', encode(first, 17), 501, 501);
    EXPECT_EQ(reach_back('7'), "a          ");
    open_member(std::vector<uint8_t>(1000, 's'));
    open_output();
    EXPECT_TRUE(run_in_owner([] { copy_stored_member(1000); }));
    EXPECT_EQ(reach_back('6'), "a          ");
    expand('4', encode(std::vector<LzSymbol>(4200, literal('y')), 14), 4200, 4200);
    EXPECT_EQ(reach_back('4'), "a          ");
}

// Cancel pressed while a window is decoded takes effect at the report after that window:
// the output holds whole windows only, all of them fed to the CRC.
TEST_F(ExpandTest, CancelLeavesWholeWindowsOnly) {
    HWND *owner = &state.owner_window;
    standin::set_idle_handler([owner] {
        if (*owner)
            standin::press(*owner, IDCANCEL);
    });
    std::vector<uint8_t> stream = single_literal_stream('c');
    open_member(stream);
    open_output();
    set_header('4', (uint32_t)stream.size(), 10000);
    EXPECT_FALSE(run_in_owner([] { expand_member(); }));
    EXPECT_EQ(state.failed, 1);
    EXPECT_TRUE(standin::message_boxes().empty());
    std::vector<uint8_t> out = output();
    EXPECT_EQ(out, std::vector<uint8_t>(4096, 'c'));
    EXPECT_EQ(state.crc, bitwise_crc16(out));
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(ExpandTest, StoredMemberOfZeroBytesDoesNothing) {
    open_member({1, 2, 3});
    open_output();
    EXPECT_TRUE(run_in_owner([] { copy_stored_member(0); }));
    EXPECT_TRUE(output().empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(archive_position(), 0u);
}

TEST_F(ExpandTest, StoredMemberIsCopiedInBlocksOf65536) {
    std::vector<uint8_t> data(65537);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (uint8_t)(i * 13 + (i >> 9));
    open_member(data, {0xAA, 0xBB});
    open_output();
    set_total(65537);
    state.crc = 0x1234;
    EXPECT_TRUE(run_in_owner([] { copy_stored_member(65537); }));
    EXPECT_EQ(output(), data);
    EXPECT_EQ(reports, (std::vector<ProgressReport>{{99, 65536, 65536}, {100, 65537, 65537}}));
    EXPECT_EQ(state.crc, bitwise_crc16(data)) << "the CRC starts from 0";
    EXPECT_EQ(archive_position(), 65537u);
}

TEST_F(ExpandTest, ShortStoredMemberIsAReadError) {
    std::vector<uint8_t> data(70000, 'd');
    open_member(data);
    open_output();
    EXPECT_FALSE(run_in_owner([] { copy_stored_member(70001); }));
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(box_texts(), std::vector<std::string>{read_error_box()});
    EXPECT_EQ(output().size(), 65536u) << "the whole first block was written";
    EXPECT_EQ(reports.size(), 1u);
}

// 2^31 bytes and more are a size like any other, not a negative one: copying starts and
// goes on block by block (here until the archive, three blocks long, runs out).
TEST_F(ExpandTest, StoredMemberOfTwoGibibytesIsCopied) {
    const uint32_t size = 0x80000005;
    open_member(std::vector<uint8_t>(3 * 65536, 's'));
    open_output();
    set_total(size);
    EXPECT_FALSE(run_in_owner([&] { copy_stored_member(size); }));
    EXPECT_EQ(box_texts(), std::vector<std::string>{read_error_box()});
    EXPECT_EQ(output().size(), 3u * 65536);
    EXPECT_EQ(reports, (std::vector<ProgressReport>{{0, 65536, 65536}})) << "the bar stays at 0";
}

// In notice mode the whole member is still decoded, but only its first block is kept, and
// the CRC is never fed.
TEST_F(ExpandTest, NoticeModeKeepsOnlyTheFirstBlock) {
    std::vector<LzSymbol> symbols;
    for (int i = 0; i < 5000; i++)
        symbols.push_back(literal((uint8_t)('A' + i % 26)));
    std::vector<uint8_t> stream = encode(symbols, 14);
    open_member(stream, {0x00});
    set_header('4', (uint32_t)stream.size(), 5000);
    state.output_handle = INVALID_HANDLE_VALUE;
    state.notice_captured = 0;
    EXPECT_TRUE(run_in_owner([] { expand_member(); }));
    std::string expected;
    for (int i = 0; i < 1023; i++)
        expected += (char)('A' + i % 26);
    EXPECT_EQ(std::string(state.text_buffer), expected);
    EXPECT_EQ(state.notice_captured, 1);
    EXPECT_EQ(state.crc, 0);
    EXPECT_EQ(reports.size(), 1u) << "no total: the bar stays at 0";
    EXPECT_EQ(archive_position(), stream.size());
}

} // namespace

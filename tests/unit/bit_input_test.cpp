// Bit input: the member's bytes as bits, read in blocks that never pass the member's end.
#include "abort_guard.h"
#include "decode/bit_input.h"
#include "decode_fixture.h"

namespace {

class BitInputTest : public DecodeTest {};

std::vector<uint8_t> counting_bytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = (uint8_t)(i * 7 + (i >> 8));
    return bytes;
}

const std::vector<uint8_t> next_header = {0x22, 0x00, '-', 'l', 'h', '5', '-'};

TEST_F(BitInputTest, EmptyMemberReadsNothingAndYieldsZeros) {
    open_member({}, next_header);
    start_bit_input();
    EXPECT_EQ(archive_position(), 0u);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(take_bits(16), 0);
    consume_bits(20);
    EXPECT_EQ(take_bits(16), 0);
    EXPECT_EQ(archive_position(), 0u);
}

TEST_F(BitInputTest, OneByteMemberIsOneReadOfOneByte) {
    open_member({0xA5}, next_header);
    start_bit_input();
    EXPECT_EQ(archive_position(), 1u);
    EXPECT_EQ(peek_bits(16), 0xA500u);
    EXPECT_EQ(take_bits(4), 0xA);
    EXPECT_EQ(take_bits(16), 0x5000);
    EXPECT_EQ(take_bits(16), 0);
    EXPECT_EQ(archive_position(), 1u);
}

TEST_F(BitInputTest, TakeBitsOfZeroAndSixteen) {
    open_member({0x12, 0x34, 0x56, 0x78});
    start_bit_input();
    EXPECT_EQ(take_bits(0), 0);
    EXPECT_EQ(take_bits(0), 0);
    EXPECT_EQ(take_bits(16), 0x1234) << "take_bits(0) consumed nothing";
    EXPECT_EQ(take_bits(16), 0x5678);
}

// Bits come out in stream order whatever the widths asked for, up to the 20 that a damaged
// length field makes consume_bits drop.
TEST_F(BitInputTest, MixedWidthsFollowTheStream) {
    std::vector<uint8_t> data = counting_bytes(64);
    open_member(data);
    start_bit_input();
    size_t bit = 0;
    auto stream_bits = [&](size_t from, unsigned n) {
        uint32_t v = 0;
        for (unsigned i = 0; i < n; i++) {
            size_t b = from + i;
            v = v << 1 | (b / 8 < data.size() ? (data[b / 8] >> (7 - b % 8)) & 1 : 0);
        }
        return v;
    };
    const unsigned widths[] = {1, 16, 3, 17, 9, 0, 20, 5, 12, 19, 7, 16, 8, 18, 2};
    for (int round = 0; round < 4; round++) {
        for (unsigned w : widths) {
            if (w <= 16) {
                ASSERT_EQ(take_bits(w), stream_bits(bit, w)) << "bit " << bit << " width " << w;
            } else {
                consume_bits(w);
            }
            bit += w;
        }
    }
    EXPECT_EQ(take_bits(16), stream_bits(bit, 16)) << "zeros past the end";
}

// 16385 bytes: one block of 16384, then one of 1 byte, read only when the lookahead needs
// that byte, and the header that follows the member is never touched.
TEST_F(BitInputTest, LastByteIsReadAsItsOwnBlockWhenNeeded) {
    std::vector<uint8_t> data = counting_bytes(16385);
    open_member(data, next_header);
    start_bit_input();
    EXPECT_EQ(archive_position(), 16384u);
    // 16 bits ahead of the position must stay inside the first block: up to bit 131056.
    for (int i = 0; i < 8191; i++) {
        ASSERT_EQ(take_bits(16), (uint16_t)(data[2 * i] << 8 | data[2 * i + 1]));
        ASSERT_EQ(archive_position(), 16384u);
    }
    EXPECT_EQ(take_bits(1), data[16382] >> 7);
    EXPECT_EQ(archive_position(), 16385u);
    EXPECT_EQ(take_bits(15), (data[16382] & 0x7F) << 8 | data[16383]);
    EXPECT_EQ(take_bits(8), data[16384]);
    EXPECT_EQ(take_bits(16), 0);
    EXPECT_EQ(archive_position(), 16385u);
}

TEST_F(BitInputTest, LongMemberReadsFullBlocksThenExactlyTheRest) {
    std::vector<uint8_t> data = counting_bytes(40000);
    open_member(data, next_header);
    start_bit_input();
    std::vector<uint64_t> positions;
    for (size_t i = 0; i < data.size(); i++) {
        ASSERT_EQ(take_bits(8), data[i]) << i;
        if (positions.empty() || positions.back() != archive_position())
            positions.push_back(archive_position());
    }
    EXPECT_EQ(positions, (std::vector<uint64_t>{16384, 32768, 40000}));
    EXPECT_EQ(state.compressed_left, 0u);
}

TEST_F(BitInputTest, ReadIndexOfMinusOneForcesANewRead) {
    std::vector<uint8_t> file = counting_bytes(200);
    open_member(file);
    EXPECT_EQ(read_archive_byte(state.archive_handle, 100), file[0]);
    EXPECT_EQ(read_archive_byte(state.archive_handle, 100), file[1]);
    EXPECT_EQ(archive_position(), 100u) << "one block of the wanted size";
    state.read_index = -1;
    EXPECT_EQ(read_archive_byte(state.archive_handle, 50), file[100]);
    EXPECT_EQ(archive_position(), 150u);
    EXPECT_EQ(state.read_index, 1);
}

TEST_F(BitInputTest, ReadRequestsAreCappedAtTheBufferSize) {
    std::vector<uint8_t> file = counting_bytes(20000);
    open_member(file);
    EXPECT_EQ(read_archive_byte(state.archive_handle, 1000000), file[0]);
    EXPECT_EQ(archive_position(), 16384u);
}

// A read that delivers fewer bytes than asked fails like a read that fails outright: the
// box names the program's own file, and the run aborts.
TEST_F(BitInputTest, ShortOrFailedReadsAbortWithTheReadError) {
    lstrcpynA(state.config.title, "Setup", sizeof state.config.title);
    open_member(counting_bytes(5));
    state.compressed_left = 10;
    EXPECT_FALSE(run_guarded([] { start_bit_input(); }));
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(box_texts(), std::vector<std::string>{read_error_box()});
    EXPECT_EQ(standin::message_boxes()[0].style, (UINT)MB_ICONERROR);
    EXPECT_EQ(box_caption(0), "Setup");
    EXPECT_EQ(read_archive_byte(state.archive_handle, 3), -1) << "read_index is left as it was";

    state.failed = 0;
    CloseHandle(state.archive_handle);
    state.archive_handle = INVALID_HANDLE_VALUE;
    state.read_index = -1;
    state.compressed_left = 1;
    EXPECT_FALSE(run_guarded([] { start_bit_input(); }));
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(box_texts().size(), 2u);
    EXPECT_EQ(box_texts().back(), read_error_box());
}

// A read error surfaces only when the bits are needed: a block that is never needed is
// never read.
TEST_F(BitInputTest, MissingBlockFailsOnlyWhenReached) {
    open_member(counting_bytes(16384));
    state.compressed_left = 16384 + 100;
    bool returned = run_guarded([] {
        start_bit_input();
        for (int i = 0; i < 8191; i++)
            take_bits(16);
    });
    EXPECT_TRUE(returned);
    EXPECT_TRUE(standin::message_boxes().empty());
    EXPECT_FALSE(run_guarded([] { take_bits(1); }));
    EXPECT_EQ(box_texts(), std::vector<std::string>{read_error_box()});
}

} // namespace

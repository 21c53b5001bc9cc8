// CRC-16: the table, the known check value, and every way of feeding data against a
// bit-at-a-time reference written here from the definition.
#include "archive/crc16.h"
#include "archive/crc16_clmul.h"
#include "fixture.h"
#include "process/processor.h"

#include <random>
#include <vector>

namespace {

// The definition: each byte enters least significant bit first; a 1 shifted out folds in
// the reflected polynomial.
uint16_t reference_crc(uint16_t crc, const uint8_t *data, size_t length, uint16_t poly) {
    for (size_t i = 0; i < length; i++) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; bit++)
            crc = (crc & 1) ? (uint16_t)((crc >> 1) ^ poly) : (uint16_t)(crc >> 1);
    }
    return crc;
}

std::vector<uint8_t> random_bytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t &b : bytes)
        b = (uint8_t)generator();
    return bytes;
}

class Crc16Test : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        detect_processor();
        crc16_build_table(CRC16_POLY);
    }
    uint16_t whole(const std::vector<uint8_t> &data) {
        state.crc = 0;
        return crc16_feed(data.data(), (int32_t)data.size());
    }
};

TEST_F(Crc16Test, CheckValueOfTheNineDigits) {
    state.crc = 0;
    EXPECT_EQ(crc16_feed("123456789", 9), 0xBB3D);
    EXPECT_EQ(state.crc, 0xBB3D);
}

TEST_F(Crc16Test, TableHoldsTheRemainderOfEachByte) {
    EXPECT_EQ(state.crc16_table[0], 0x0000);
    EXPECT_EQ(state.crc16_table[1], 0xC0C1);
    EXPECT_EQ(state.crc16_table[2], 0xC181);
    EXPECT_EQ(state.crc16_table[3], 0x0140);
    EXPECT_EQ(state.crc16_table[128], 0xA001);
    for (int i = 0; i < 256; i++) {
        uint8_t byte = (uint8_t)i;
        EXPECT_EQ(state.crc16_table[i], reference_crc(0, &byte, 1, CRC16_POLY)) << i;
    }
}

TEST_F(Crc16Test, EveryLengthMatchesTheReference) {
    std::vector<uint8_t> data = random_bytes(300, 1);
    for (size_t length = 0; length <= data.size(); length++) {
        std::vector<uint8_t> part(data.begin(), data.begin() + (long)length);
        EXPECT_EQ(whole(part), reference_crc(0, data.data(), length, CRC16_POLY)) << length;
    }
    std::vector<uint8_t> large = random_bytes(1 << 20, 2);
    EXPECT_EQ(whole(large), reference_crc(0, large.data(), large.size(), CRC16_POLY));
}

TEST_F(Crc16Test, PiecesGiveTheSameValueAsTheWhole) {
    std::vector<uint8_t> data = random_bytes(64, 3);
    uint16_t expected = reference_crc(0, data.data(), data.size(), CRC16_POLY);
    for (int split = 0; split <= 64; split++) {
        state.crc = 0;
        crc16_feed(data.data(), split);
        EXPECT_EQ(crc16_feed(data.data() + split, 64 - split), expected) << split;
    }

    std::vector<uint8_t> big = random_bytes(100000, 4);
    std::mt19937 generator(5);
    state.crc = 0;
    for (size_t at = 0; at < big.size();) {
        size_t piece = std::min<size_t>(generator() % 37, big.size() - at);
        crc16_feed(big.data() + at, (int32_t)piece);
        at += piece;
    }
    EXPECT_EQ(state.crc, reference_crc(0, big.data(), big.size(), CRC16_POLY));
}

TEST_F(Crc16Test, FeedingGoesOnFromTheRunningValue) {
    std::vector<uint8_t> data = random_bytes(50, 6);
    for (uint16_t start : {0x0001, 0x8000, 0xBB3D, 0xFFFF}) {
        state.crc = start;
        EXPECT_EQ(crc16_feed(data.data() + 1, 49),
                  reference_crc(start, data.data() + 1, 49, CRC16_POLY))
            << start;
    }
}

TEST_F(Crc16Test, ZeroOrNegativeLengthChangesNothing) {
    uint8_t data[16] = {1, 2, 3};
    for (int32_t length : {0, -1, -8, -9, INT32_MIN}) {
        state.crc = 0x1234;
        EXPECT_EQ(crc16_feed(data, length), 0x1234) << length;
        EXPECT_EQ(state.crc, 0x1234) << length;
    }
}

TEST_F(Crc16Test, TablesFollowThePolynomialOfTheLastBuild) {
    std::vector<uint8_t> data = random_bytes(1000, 7);
    // The reflected forms of CRC-16/KERMIT and of CRC-16/ARC.
    for (uint16_t poly : {(uint16_t)0x8408, CRC16_POLY}) {
        crc16_build_table(poly);
        EXPECT_EQ(whole(data), reference_crc(0, data.data(), data.size(), poly)) << poly;
    }
}

// The program finds the host's processor as it is, through the system's feature query and
// CPUID, so the host tools take the folding method wherever it runs.
TEST_F(Crc16Test, ProcessorFeaturesAreThoseOfTheHost) {
    EXPECT_EQ(state.processor_sse2, 1);
    EXPECT_EQ(state.processor_clmul,
              __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1") ? 1 : 0);
}

// The folding method against the table, from every start address modulo 16 and
// at every length through several folds of 64 bytes, from running values too.
TEST_F(Crc16Test, CarrylessFoldingAgreesWithTheTable) {
    if (!state.processor_clmul)
        GTEST_SKIP() << "THIS PROCESSOR HAS NO CARRY-LESS MULTIPLY: the folding method is untested";
    std::vector<uint8_t> data = random_bytes(16 + 400, 8);
    for (size_t align = 0; align < 16; align++)
        for (size_t length = 0; length <= 400; length++) {
            uint16_t start = (uint16_t)(length * 40503u + align);
            ASSERT_EQ(crc16_clmul_update(start, data.data() + align, length),
                      crc16_table_update(start, data.data() + align, (int32_t)length))
                << "length " << length << " at +" << align;
        }
    std::vector<uint8_t> large = random_bytes((1 << 20) + 13, 9);
    EXPECT_EQ(crc16_clmul_update(0xBB3D, large.data() + 3, large.size() - 3),
              reference_crc(0xBB3D, large.data() + 3, large.size() - 3, CRC16_POLY));
}

} // namespace

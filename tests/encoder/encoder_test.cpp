// Round trips through the reference decoder, the shape of the streams, and the parts of the
// encoder (length-limited codes, block writer) on inputs that force their rare paths.
#include "block_writer.h"
#include "huffman.h"
#include "lz_parse.h"
#include "crc16.h"
#include "lzh_encoder.h"
#include "reference_decoder.h"
#include "test_archive.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <queue>
#include <string>
#include <thread>

namespace {

const char kMethods[] = {'4', '5', '6', '7'};

size_t window_of(char method) {
    return method == '4' ? 4096 : method == '5' ? 8192 : method == '6' ? 32768 : 65536;
}

// Encodes data, decodes it with the reference decoder and checks that both agree.
DecodeReport round_trip(char method, const std::vector<uint8_t> &data,
                        std::vector<uint8_t> *packed = nullptr) {
    std::vector<uint8_t> out;
    EXPECT_TRUE(lzh_encode(method, data.data(), data.size(), out));
    DecodeReport rep = reference_decode(method, out, data.size());
    EXPECT_TRUE(rep.ok) << "method " << method << ", " << data.size() << " bytes: " << rep.error;
    EXPECT_TRUE(rep.data == data) << "method " << method << ", " << data.size() << " bytes";
    if (packed)
        *packed = std::move(out);
    return rep;
}

// Reads data in pieces of at most `cap` bytes or, with a seed, of pseudo-random sizes up to
// 5000 bytes; fails once more than fail_after bytes have been read.
LzhReadFn reader_of(const std::vector<uint8_t> &data, uint32_t seed = 0,
                    size_t fail_after = SIZE_MAX) {
    return [&data, seed, fail_after, taken = size_t(0)](uint8_t *buf, size_t cap,
                                                        size_t &got) mutable {
        if (taken > fail_after)
            return false;
        got = std::min(cap, data.size() - taken);
        if (seed != 0) {
            seed = seed * 1103515245u + 12345u;
            got = std::min(got, size_t(1 + (seed >> 16) % 5000));
        }
        std::copy_n(data.data() + taken, got, buf);
        taken += got;
        return true;
    };
}

LzhWriteFn appender_to(std::vector<uint8_t> &out) {
    return [&out](const uint8_t *p, size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    };
}

class RoundTrip : public ::testing::TestWithParam<char> {};

TEST_P(RoundTrip, TinyInputs) {
    const char m = GetParam();
    std::vector<uint8_t> packed;
    round_trip(m, {}, &packed);
    EXPECT_TRUE(packed.empty());
    round_trip(m, {0x41});
    round_trip(m, {0x00, 0xFF});
    round_trip(m, {7, 7, 7});
    round_trip(m, {1, 2, 3, 1, 2, 3, 1});
    for (size_t n = 4; n < 300; n += 37)
        round_trip(m, std::vector<uint8_t>(n, 0x20));
}

TEST_P(RoundTrip, SizesAroundTheWindows) {
    const char m = GetParam();
    for (size_t w : {4096u, 8192u, 32768u, 65536u}) {
        for (size_t n : {w - 1, w, w + 1}) {
            round_trip(m, text_like(n, uint32_t(n)));
            round_trip(m, random_bytes(n, uint32_t(n)));
        }
    }
}

TEST_P(RoundTrip, KindsOfData) {
    const char m = GetParam();
    const std::vector<uint8_t> zeros(300000, 0);
    std::vector<uint8_t> packed;
    round_trip(m, zeros, &packed);
    EXPECT_LT(packed.size(), zeros.size() / 100); // nearly all 256-byte matches

    const std::vector<uint8_t> noise = random_bytes(200000, 1);
    round_trip(m, noise, &packed);
    EXPECT_LT(packed.size(), noise.size() + noise.size() / 100); // literals at about 8 bits

    std::vector<uint8_t> periodic(500000);
    for (size_t i = 0; i < periodic.size(); ++i)
        periodic[i] = uint8_t("abcdefg"[i % 7]);
    round_trip(m, periodic, &packed);
    EXPECT_LT(packed.size(), periodic.size() / 100);

    const std::vector<uint8_t> text = text_like(400000, 2);
    round_trip(m, text, &packed);
    EXPECT_LT(packed.size(), text.size() / 2);

    round_trip(m, record_like(300000, 3));
}

TEST_P(RoundTrip, SeveralMebibytesOfMixedData) {
    const char m = GetParam();
    const std::vector<uint8_t> data =
        concat({text_like(1500000, 4), random_bytes(300000, 5), record_like(1200000, 6),
                std::vector<uint8_t>(700000, 0xAA), text_like(900000, 7)});
    const DecodeReport rep = round_trip(m, data);
    EXPECT_GT(rep.blocks, 5); // the chunks alone force several blocks
}

INSTANTIATE_TEST_SUITE_P(Methods, RoundTrip, ::testing::ValuesIn(kMethods));

// A repeat is found when it lies inside the window and never used when it lies outside.
TEST(Window, RepeatsNearAndBeyondTheWindowEdge) {
    for (char m : kMethods) {
        const size_t w = window_of(m);
        const std::vector<uint8_t> part = random_bytes(2000, 11);
        for (size_t gap : {w - 2000 - 1, w - 2000 + 1, w + 500}) {
            const std::vector<uint8_t> data = concat({part, random_bytes(gap, 12), part});
            std::vector<uint8_t> packed;
            const DecodeReport rep = round_trip(m, data, &packed);
            EXPECT_LE(rep.largest_distance, w - 1) << m;
            const size_t distance = part.size() + gap;
            if (distance < w) // the second copy costs a few bytes, not 2000
                EXPECT_LT(packed.size(), data.size() - part.size() + part.size() / 10) << m;
            else
                EXPECT_GT(packed.size(), data.size() - part.size() / 10) << m;
        }
    }
}

TEST(Blocks, ChangingStatisticsGetTheirOwnBlocks) {
    const std::vector<uint8_t> a = text_like(150000, 21);
    const std::vector<uint8_t> b = random_bytes(60000, 22);
    const std::vector<uint8_t> c = record_like(150000, 23);
    std::vector<uint8_t> pa, pb, pc, whole;
    round_trip('7', a, &pa);
    round_trip('7', b, &pb);
    round_trip('7', c, &pc);
    const DecodeReport rep = round_trip('7', concat({a, b, c}), &whole);
    EXPECT_GE(rep.blocks, 3);
    // Each part alone is one chunk; together they span two, and the chunk edge inside c
    // costs one more block header. Otherwise good block ends make the whole as cheap as the
    // parts.
    EXPECT_LE(whole.size(), pa.size() + pb.size() + pc.size() + 160);
}

// Neither the way the data arrives nor the number of threads compressing its segments (of
// 2 MiB, three here, the last one short; or as evened out by a size hint) changes a byte of
// the output.
TEST(Stream, PiecewiseReadsAndAnyThreadCountGiveTheSameBytesAndTheCrc) {
    const std::vector<uint8_t> data =
        concat({text_like(2500000, 31), random_bytes(50000, 32), record_like(2000000, 33)});
    std::vector<uint8_t> whole;
    ASSERT_TRUE(lzh_encode('6', data.data(), data.size(), whole));
    const DecodeReport rep = reference_decode('6', whole, data.size());
    ASSERT_TRUE(rep.ok) << rep.error;
    EXPECT_TRUE(rep.data == data);

    for (unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(threads);
        std::vector<uint8_t> streamed;
        const LzhEncodeResult res =
            lzh_encode_stream('6', reader_of(data, 1), appender_to(streamed), threads);
        EXPECT_TRUE(res.ok);
        EXPECT_TRUE(streamed == whole);
        EXPECT_EQ(res.original_size, data.size());
        EXPECT_EQ(res.compressed_size, streamed.size());
        EXPECT_EQ(res.crc, bitwise_crc16(data.data(), data.size()));
    }
    // A size hint (right or wrong) evens out the segments; the bytes still depend on nothing
    // else.
    for (size_t hint : {data.size(), data.size() * 3}) {
        SCOPED_TRACE(hint);
        std::vector<uint8_t> first;
        for (unsigned threads : {1u, 2u, 3u}) {
            std::vector<uint8_t> streamed;
            ASSERT_TRUE(lzh_encode_stream('6', reader_of(data, threads), appender_to(streamed),
                                          threads, hint)
                            .ok);
            if (first.empty()) {
                const DecodeReport hinted = reference_decode('6', streamed, data.size());
                ASSERT_TRUE(hinted.ok) << hinted.error;
                EXPECT_TRUE(hinted.data == data);
                first = streamed;
            }
            EXPECT_TRUE(streamed == first) << threads;
        }
    }
}

// A segment sees the window before it: a repeat just across the first segment edge costs
// few bytes, as anywhere else, whether the segments are compressed one after another or at
// once.
TEST(Stream, MatchesReachBackAcrossSegments) {
    const size_t segment = size_t(1) << 21;
    const std::vector<uint8_t> part = random_bytes(20000, 61);
    const std::vector<uint8_t> head = random_bytes(segment - 21000, 62);
    const std::vector<uint8_t> gap = random_bytes(1000, 63);
    const std::vector<uint8_t> repeated = concat({head, part, gap, part});
    const std::vector<uint8_t> unrelated = concat({head, part, gap, random_bytes(20000, 64)});
    for (unsigned threads : {1u, 2u}) {
        size_t sizes[2] = {};
        for (int k = 0; k < 2; ++k) {
            const std::vector<uint8_t> &data = k == 0 ? repeated : unrelated;
            std::vector<uint8_t> packed;
            const LzhEncodeResult res =
                lzh_encode_stream('7', reader_of(data), appender_to(packed), threads);
            ASSERT_TRUE(res.ok);
            const DecodeReport rep = reference_decode('7', packed, data.size());
            ASSERT_TRUE(rep.ok) << rep.error;
            EXPECT_TRUE(rep.data == data);
            sizes[k] = packed.size();
        }
        EXPECT_LT(sizes[0] + part.size() * 9 / 10, sizes[1]) << threads;
    }
}

// A thread reuses its buffers from run to run: what an earlier run left in them, whatever
// its method and however it ended, must not show in the next one's output.
TEST(Stream, EarlierRunsOnTheThreadLeaveNoTrace) {
    const std::vector<uint8_t> data = concat({text_like(400000, 51), record_like(200000, 52)});
    std::vector<uint8_t> fresh;
    std::thread([&] { ASSERT_TRUE(lzh_encode('7', data.data(), data.size(), fresh)); }).join();

    std::vector<uint8_t> other, again;
    const std::vector<uint8_t> before = random_bytes(300000, 53);
    ASSERT_TRUE(lzh_encode('5', before.data(), before.size(), other));
    size_t written = 0;
    const LzhWriteFn stop_midway = [&](const uint8_t *, size_t n) {
        written += n;
        return written < 1000;
    };
    ASSERT_FALSE(lzh_encode_stream('7', reader_of(before), stop_midway).ok);
    ASSERT_TRUE(lzh_encode('7', data.data(), data.size(), again));
    EXPECT_EQ(again, fresh);
}

TEST(Stream, FailuresAreReported) {
    const std::vector<uint8_t> data = text_like(300000, 41);
    std::vector<uint8_t> out;
    EXPECT_FALSE(lzh_encode('3', data.data(), data.size(), out));
    EXPECT_FALSE(lzh_encode('8', data.data(), data.size(), out));
    EXPECT_TRUE(out.empty());

    // Read failures in the first segment and in a later one, and a refused write, on the
    // calling thread alone and with workers.
    const std::vector<uint8_t> long_data = text_like(6000000, 42);
    for (unsigned threads : {1u, 3u})
        for (size_t fail_at : {size_t(100000), size_t(5) << 20}) {
            const LzhWriteFn sink = [](const uint8_t *, size_t) { return true; };
            EXPECT_FALSE(
                lzh_encode_stream('5', reader_of(long_data, 0, fail_at), sink, threads).ok);
            const LzhWriteFn refuse = [](const uint8_t *, size_t) { return false; };
            EXPECT_FALSE(lzh_encode_stream('5', reader_of(data), refuse, threads).ok);
        }
}

TEST(Crc, KnownValues) {
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(bitwise_crc16(digits, 9), 0xBB3D);
    const std::vector<uint8_t> data(digits, digits + 9);
    const LzhEncodeResult res =
        lzh_encode_stream('5', reader_of(data), [](const uint8_t *, size_t) { return true; });
    EXPECT_EQ(res.crc, 0xBB3D);
}

// The word-at-a-time CRC against the bit-serial one: every length, start alignment and
// split point, so both the eight-byte steps and the single-byte tail are covered.
TEST(Crc, AnySplitAndAlignmentMatchesBitwise) {
    const std::vector<uint8_t> data = random_bytes(80, 7);
    for (size_t start = 0; start < 8; ++start)
        for (size_t n = 0; start + n <= data.size(); ++n)
            for (size_t split = 0; split <= n; split += 5) {
                const uint8_t *p = data.data() + start;
                const uint16_t crc =
                    lzh::crc16_update(lzh::crc16_update(0, p, split), p + split, n - split);
                ASSERT_EQ(crc, bitwise_crc16(p, n)) << start << " " << n << " " << split;
            }
}

// Cost and depth of an unrestricted Huffman code for freq, by merging the two lightest.
std::pair<uint64_t, int> huffman_cost_and_depth(const std::vector<uint32_t> &freq) {
    using Node = std::pair<uint64_t, int>; // weight, depth of the subtree
    std::priority_queue<Node, std::vector<Node>, std::greater<>> q;
    for (uint32_t f : freq)
        if (f)
            q.push({f, 0});
    uint64_t cost = 0;
    while (q.size() > 1) {
        const Node a = q.top();
        q.pop();
        const Node b = q.top();
        q.pop();
        cost += a.first + b.first;
        q.push({a.first + b.first, std::max(a.second, b.second) + 1});
    }
    return {cost, q.top().second};
}

TEST(CodeLengths, CompleteOptimalAndLimited) {
    std::vector<std::vector<uint32_t>> cases;
    std::vector<uint32_t> fib(30);
    fib[0] = fib[1] = 1;
    for (size_t i = 2; i < fib.size(); ++i)
        fib[i] = fib[i - 1] + fib[i - 2];
    cases.push_back(fib);                           // 29 levels deep without a limit
    cases.push_back({5, 0, 0, 9});                  // two symbols
    cases.push_back(std::vector<uint32_t>(510, 3)); // flat
    const std::vector<uint8_t> noise = random_bytes(510, 51);
    cases.push_back(std::vector<uint32_t>(noise.begin(), noise.end()));
    for (const auto &freq : cases) {
        const auto [best_cost, depth] = huffman_cost_and_depth(freq);
        for (int limit : {16, 12, 10}) {
            std::vector<uint8_t> len(freq.size());
            const int used =
                lzh::limited_code_lengths(freq.data(), int(freq.size()), limit, len.data());
            EXPECT_EQ(used, std::count_if(freq.begin(), freq.end(), [](uint32_t f) { return f; }));
            uint64_t kraft = 0;
            uint64_t cost = 0;
            for (size_t s = 0; s < freq.size(); ++s) {
                EXPECT_EQ(len[s] == 0, freq[s] == 0);
                EXPECT_LE(len[s], limit);
                kraft += len[s] ? uint64_t(1) << (limit - len[s]) : 0;
                cost += uint64_t(freq[s]) * len[s];
            }
            EXPECT_EQ(kraft, uint64_t(1) << limit);
            if (depth <= limit)
                EXPECT_EQ(cost, best_cost);
            else
                EXPECT_GE(cost, best_cost);
        }
    }
    uint8_t one[3];
    const uint32_t single[3] = {0, 4, 0};
    EXPECT_EQ(lzh::limited_code_lengths(single, 3, 16, one), 1);
    EXPECT_EQ(one[0] + one[1] + one[2], 0);
}

TEST(CodeLengths, CanonicalCodesFollowLengthThenSymbol) {
    const uint8_t len[6] = {3, 2, 3, 0, 2, 2};
    uint16_t code[6];
    lzh::canonical_codes(len, 6, code);
    EXPECT_EQ(code[1], 0b00);
    EXPECT_EQ(code[4], 0b01);
    EXPECT_EQ(code[5], 0b10);
    EXPECT_EQ(code[0], 0b110);
    EXPECT_EQ(code[2], 0b111);
}

// Writes the items as blocks (one per inner vector) and decodes the stream.
DecodeReport decode_blocks(char method, const std::vector<std::vector<uint32_t>> &blocks,
                           std::vector<uint8_t> &expected) {
    lzh::MethodParams params;
    EXPECT_TRUE(lzh::method_params(method, params));
    lzh::BitWriter w;
    lzh::BlockPlan plan;
    expected.clear();
    for (const auto &items : blocks) {
        lzh::SymbolCounts counts;
        lzh::count_items(items.data(), items.size(), counts);
        lzh::plan_block(counts, params, plan);
        const size_t before = w.out.size() * 8 + size_t(w.count);
        lzh::write_block(w, items.data(), items.size(), params, plan);
        EXPECT_EQ(w.out.size() * 8 + size_t(w.count) - before, plan.total_bits);
        for (uint32_t item : items) {
            if (lzh::item_symbol(item) < 256) {
                expected.push_back(uint8_t(item));
                continue;
            }
            const size_t from = expected.size() - lzh::item_distance(item) - 1;
            for (int k = 0; k < lzh::item_length(item); ++k)
                expected.push_back(expected[from + size_t(k)]);
        }
    }
    lzh::flush_bits(w);
    return reference_decode(method, w.out, expected.size());
}

TEST(BlockWriter, SingleSymbolCodes) {
    for (char m : kMethods) {
        std::vector<uint8_t> expected;
        // One literal: one-symbol literal/length code, no position code, and a code-length
        // code that is not needed. Then only 256-byte matches at distance 1.
        const DecodeReport rep = decode_blocks(
            m, {{lzh::make_literal('x')}, std::vector<uint32_t>(40, lzh::make_match(256, 1))},
            expected);
        ASSERT_TRUE(rep.ok) << rep.error;
        EXPECT_EQ(rep.data, expected);
        EXPECT_EQ(rep.single_lit_len_blocks, 2);
        EXPECT_EQ(rep.single_position_blocks, 2);

        // Every byte value once and nothing else: all lengths 8, so the code-length code
        // has a single symbol. Then matches of two lengths at one distance.
        std::vector<uint32_t> all_bytes;
        for (int b = 0; b < 256; ++b)
            all_bytes.push_back(lzh::make_literal(uint8_t(b)));
        std::vector<uint32_t> two_lengths;
        for (int i = 0; i < 30; ++i)
            two_lengths.push_back(lzh::make_match(i % 2 ? 5 : 200, 100));
        const DecodeReport rep2 = decode_blocks(m, {all_bytes, two_lengths}, expected);
        ASSERT_TRUE(rep2.ok) << rep2.error;
        EXPECT_EQ(rep2.data, expected);
        EXPECT_EQ(rep2.single_code_len_blocks, 1);
        EXPECT_EQ(rep2.single_position_blocks, 2);
        EXPECT_EQ(rep2.single_lit_len_blocks, 0);
    }
}

TEST(BlockWriter, CodesThatNeedLengthLimiting) {
    // Literal i occurs fib(i) times: an unrestricted code would be 21 bits deep.
    std::vector<uint32_t> items;
    uint32_t a = 1, b = 1;
    for (int s = 0; s < 22; ++s) {
        for (uint32_t k = 0; k < a; ++k)
            items.push_back(lzh::make_literal(uint8_t('A' + s)));
        const uint32_t c = a + b;
        a = b;
        b = c;
    }
    std::reverse(items.begin(), items.end());
    ASSERT_LT(items.size(), 65536u);
    // Distances with Fibonacci-like counts over every position symbol of -lh7-.
    std::vector<uint32_t> matches;
    a = 1;
    b = 1;
    for (int j = 16; j >= 0; --j) {
        const uint32_t d = j == 0 ? 0 : (1u << (j - 1));
        for (uint32_t k = 0; k < std::min<uint32_t>(a, 3000); ++k)
            matches.push_back(lzh::make_match(3 + int(k % 250), int(d) + 1));
        const uint32_t c = a + b;
        a = b;
        b = c;
    }
    std::vector<uint8_t> expected;
    const DecodeReport rep = decode_blocks('7', {items, matches}, expected);
    ASSERT_TRUE(rep.ok) << rep.error;
    EXPECT_EQ(rep.data, expected);
    EXPECT_EQ(rep.longest_lit_len_code, 16);
    EXPECT_GE(rep.longest_position_code, 10);
}

TEST(BlockWriter, LongZeroRunsInTheLengths) {
    // Literals 0 and 255 and the longest match: zero runs of 254 and of 253 lengths.
    const std::vector<uint32_t> items = {lzh::make_literal(0), lzh::make_literal(255),
                                         lzh::make_match(256, 2), lzh::make_literal(0)};
    for (char m : kMethods) {
        std::vector<uint8_t> expected;
        const DecodeReport rep = decode_blocks(m, {items, items}, expected);
        ASSERT_TRUE(rep.ok) << rep.error;
        EXPECT_EQ(rep.data, expected);
    }
}

} // namespace

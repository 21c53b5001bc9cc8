#include "lzh_encoder.h"

#include "bit_writer.h"
#include "block_split.h"
#include "block_writer.h"
#include "crc16.h"
#include "lz_parse.h"
#include "lzh_format.h"
#include "match_finder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

using namespace lzh;

namespace {

constexpr size_t kChunk = size_t(1) << 18;      // input bytes parsed and split together
constexpr size_t kMatchCacheLimit = 4 * kChunk; // a chunk ends early when this many are found
constexpr size_t kPadding = 16; // readable bytes past the data (8-byte compares, prefetch)
// The hash entries of the position this far ahead are fetched while the current one is
// searched; its hash reads at most kPrefetchAhead + 3 bytes past the data's end.
constexpr int32_t kPrefetchAhead = 4;
constexpr size_t kSplitUnit = 4096;           // block boundaries fall on multiples of this
constexpr size_t kReadStep = size_t(1) << 16; // largest single read request
// Match finder effort, tuned on a mixed corpus of text and executables: depth 16 / nice 48
// gains about 0.2 % in size for a tenth more time, depth 8 / nice 32 loses about 0.6 % and
// saves little, and inserting every position inside long matches gains 0.5 % for 6 % more.
constexpr int kNiceLength = 40;
constexpr int kSearchDepth = 12;
constexpr int32_t kTailInserts = 8;

// The work is a two-stage pipeline over chunks of the input: while one thread finds the
// matches of chunk k + 1, the calling thread parses, splits and writes chunk k. Only the
// match finder thread touches mf and the cache it fills; only the calling thread touches
// the parse state and the output; both merely read buf, which changes (refill) only while no
// match finder thread runs.
//
// buf holds, in order: history (at least one window before `scan`), the chunk whose matches
// wait to be parsed, the chunk being scanned from `scan` on, the bytes read ahead of it
// (matches may extend into them but never start there) and kPadding zero bytes. fill is the
// end of the data read so far.
struct Encoder {
    MethodParams params;
    int32_t window = 0;
    std::unique_ptr<uint8_t[]> buf;
    size_t buf_size = 0;
    int32_t scan = 0;
    int32_t fill = 0;
    bool at_end = false;
    MatchFinder mf;
    MatchCache caches[2];
    ParseWork work;
    std::vector<uint32_t> items;
    std::vector<uint32_t> block_items;
    std::vector<size_t> ends;
    CostModel model;
    BlockPlan plan;
    BitWriter out;
    uint16_t crc = 0;
    uint64_t original_size = 0;
};

// Finished runs leave their Encoders for the next ones: a builder packing many files would
// otherwise get its ~10 MiB of buffers as fresh pages from the system for each. A run takes
// a spare (or makes one) and gives it back however the run ends, so there are never more
// spares than runs were under way at once. They are shared rather than kept per thread:
// nothing has to be freed as a thread ends, which i686 MinGW-w64 (GCC 12) gets wrong for
// thread_local objects.
std::mutex spare_lock;

std::vector<std::unique_ptr<Encoder>> &spare_encoders() {
    static std::vector<std::unique_ptr<Encoder>> spares;
    return spares;
}

struct EncoderLease {
    std::unique_ptr<Encoder> encoder;
    EncoderLease() {
        std::lock_guard hold(spare_lock);
        if (!spare_encoders().empty()) {
            encoder = std::move(spare_encoders().back());
            spare_encoders().pop_back();
        }
        if (!encoder)
            encoder = std::make_unique<Encoder>();
    }
    ~EncoderLease() {
        std::lock_guard hold(spare_lock);
        try {
            spare_encoders().push_back(std::move(encoder));
        } catch (const std::bad_alloc &) { // then it is freed instead
        }
    }
    EncoderLease(const EncoderLease &) = delete;
    EncoderLease &operator=(const EncoderLease &) = delete;
};

// Sets e up for a run with params, keeping the buffers it has when they fit.
void start_run(Encoder &e, const MethodParams &params) {
    e.params = params;
    e.window = int32_t(1) << params.window_bits;
    // Neither buffer is cleared: pages that small inputs never reach are never touched.
    const size_t buf_size = 2 * size_t(e.window) + 2 * kChunk + kMaxMatch + kReadStep + kPadding;
    if (e.buf_size != buf_size) {
        e.buf.reset(new uint8_t[buf_size]);
        e.buf_size = buf_size;
    }
    for (MatchCache &c : e.caches)
        if (!c.matches)
            c.matches.reset(new Match[kMatchCacheLimit + kMaxMatch]);
    init_match_finder(e.mf, params.window_bits);
    e.scan = e.fill = 0;
    e.at_end = false;
    e.out.out.clear();
    e.out.bits = 0;
    e.out.count = 0;
    e.crc = 0;
    e.original_size = 0;
}

// Moves the buffer down when it can, keeping the waiting chunk (if any) and one window before
// it, then reads until a chunk and its read-ahead are in or the data ends.
bool refill(Encoder &e, const LzhReadFn &read, MatchCache *waiting) {
    // The tree links live at (position mod window), so the buffer moves by whole windows.
    const int32_t needed = waiting ? waiting->base : e.scan;
    if (needed >= 2 * e.window) {
        const int32_t delta = (needed - e.window) & ~(e.window - 1);
        std::memmove(e.buf.get(), e.buf.get() + delta, size_t(e.fill - delta));
        e.scan -= delta;
        e.fill -= delta;
        rebase_match_finder(e.mf, delta);
        if (waiting)
            waiting->base -= delta;
    }
    const size_t wanted = size_t(e.scan) + kChunk + kMaxMatch;
    while (!e.at_end && size_t(e.fill) < wanted) {
        const size_t room = std::min(e.buf_size - kPadding - size_t(e.fill), kReadStep);
        size_t got = 0;
        if (!read(e.buf.get() + e.fill, room, got))
            return false;
        got = std::min(got, room);
        e.crc = crc16_update(e.crc, e.buf.get() + e.fill, got);
        e.original_size += got;
        e.fill += int32_t(got);
        e.at_end = got == 0;
    }
    std::memset(e.buf.get() + e.fill, 0, kPadding);
    return true;
}

// Finds the matches of every position from e.scan on, up to a chunk or until the cache is
// full; returns the end of the positions covered. After a match of kNiceLength or more, the
// positions it covers get no matches (a parse rarely leaves such a match for another), and
// only its last kTailInserts are inserted: the earlier ones repeat bytes that the window
// already holds one match distance further back.
int32_t collect_matches(Encoder &e, MatchCache &c) {
    const int32_t end = std::min<int32_t>(e.scan + int32_t(kChunk), e.fill);
    c.base = e.scan;
    c.first.assign(1, 0);
    size_t used = 0;
    int32_t p = e.scan;
    while (p < end && used < kMatchCacheLimit) {
        const int max_len = std::min(kMaxMatch, e.fill - p);
        if (max_len < kMinMatch) {
            c.first.push_back(uint32_t(used));
            ++p;
            continue;
        }
        prefetch_position(e.mf, e.buf.get(), p + kPrefetchAhead);
        Match *m = &c.matches[used];
        const int n = find_matches(e.mf, e.buf.get(), p, max_len, kNiceLength, kSearchDepth, m);
        used += size_t(n);
        c.first.push_back(uint32_t(used));
        ++p;
        if (n > 0 && m[n - 1].length >= kNiceLength) {
            const int32_t skip_end = std::min(end, p - 1 + m[n - 1].length);
            for (; p < skip_end; ++p) {
                if (p + kTailInserts >= skip_end)
                    skip_position(e.mf, e.buf.get(), p, std::min(kMaxMatch, e.fill - p),
                                  kNiceLength, kSearchDepth);
                c.first.push_back(uint32_t(used));
            }
        }
    }
    return p;
}

void write_items(Encoder &e, const uint32_t *items, size_t n) {
    for (size_t done = 0; done < n;) {
        const size_t count = std::min(n - done, size_t(kMaxBlockSymbols));
        SymbolCounts counts;
        count_items(items + done, count, counts);
        plan_block(counts, e.params, e.plan);
        write_block(e.out, items + done, count, e.params, e.plan);
        done += count;
    }
}

// Parses the chunk [c.base, end) quickly, splits the result into blocks by its statistics,
// then parses each block again at the least cost under the code its quick parse would get,
// and writes it.
void encode_chunk(Encoder &e, const MatchCache &c) {
    const uint8_t *buf = e.buf.get();
    const int32_t end = c.base + int32_t(c.first.size()) - 1;
    e.items.clear();
    lazy_parse_range(buf, c.base, end, c, e.items);
    e.ends.clear();
    choose_blocks(e.items.data(), e.items.size(), kSplitUnit, e.ends);

    size_t first_item = 0;
    int32_t block_start = c.base;
    for (size_t block_end_item : e.ends) {
        int32_t block_end = block_start;
        for (size_t i = first_item; i < block_end_item; ++i)
            block_end += item_length(e.items[i]);
        SymbolCounts counts;
        count_items(e.items.data() + first_item, block_end_item - first_item, counts);
        costs_from_counts(counts, e.params.position_symbols, e.model);
        e.block_items.clear();
        parse_range(buf, block_start, block_end, c, e.model, e.work, e.block_items);
        write_items(e, e.block_items.data(), e.block_items.size());
        first_item = block_end_item;
        block_start = block_end;
    }
}

bool drain(Encoder &e, const LzhWriteFn &write, uint64_t &written) {
    if (e.out.out.empty())
        return true;
    written += e.out.out.size();
    const bool ok = write(e.out.out.data(), e.out.out.size());
    e.out.out.clear();
    return ok;
}

} // namespace

LzhEncodeResult lzh_encode_stream(char method, const LzhReadFn &read, const LzhWriteFn &write,
                                  bool pipelined) {
    LzhEncodeResult result;
    MethodParams params;
    if (!method_params(method, params))
        return result;
    EncoderLease lease;
    Encoder &e = *lease.encoder;
    start_run(e, params);

    MatchCache *waiting = nullptr; // the chunk whose matches are found but not yet parsed
    for (;;) {
        if (!refill(e, read, waiting))
            return result;
        MatchCache *next = waiting == &e.caches[0] ? &e.caches[1] : &e.caches[0];
        int32_t next_end = e.scan;
        if (!waiting) {
            if (e.scan == e.fill)
                break;
            next_end = collect_matches(e, *next);
        } else {
            std::jthread finder;
            if (e.scan < e.fill && pipelined)
                finder =
                    std::jthread([&e, next, &next_end] { next_end = collect_matches(e, *next); });
            encode_chunk(e, *waiting);
            if (e.scan < e.fill && !pipelined)
                next_end = collect_matches(e, *next);
        }
        if (!drain(e, write, result.compressed_size))
            return result;
        waiting = next_end > e.scan ? next : nullptr;
        e.scan = next_end;
    }
    flush_bits(e.out);
    if (!drain(e, write, result.compressed_size))
        return result;
    result.ok = true;
    result.original_size = e.original_size;
    result.crc = e.crc;
    return result;
}

bool lzh_encode(char method, const uint8_t *data, size_t size, std::vector<uint8_t> &out) {
    size_t taken = 0;
    const LzhReadFn read = [&](uint8_t *buffer, size_t capacity, size_t &got) {
        got = std::min(capacity, size - taken);
        if (got != 0)
            std::memcpy(buffer, data + taken, got);
        taken += got;
        return true;
    };
    const LzhWriteFn write = [&](const uint8_t *bytes, size_t n) {
        out.insert(out.end(), bytes, bytes + n);
        return true;
    };
    return lzh_encode_stream(method, read, write).ok;
}

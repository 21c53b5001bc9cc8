#include "lzh_encoder.h"

#include "bit_writer.h"
#include "block_split.h"
#include "block_writer.h"
#include "crc16.h"
#include "lz_parse.h"
#include "lzh_format.h"
#include "match_finder.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

using namespace lzh;

namespace {

constexpr size_t kChunk = size_t(1) << 18;      // input bytes parsed and split together
constexpr size_t kMatchCacheLimit = 4 * kChunk; // a chunk ends early when this many are found
constexpr size_t kPadding = 16;     // readable bytes past the data (8-byte compares, hashes)
constexpr size_t kSplitUnit = 4096; // block boundaries fall on multiples of this
constexpr size_t kReadStep = size_t(1) << 16; // largest single read request
constexpr size_t kSegment = size_t(1) << 21;  // most input bytes compressed apart from the rest
constexpr int32_t kMaxWindow = int32_t(1) << 16;
// Match finder effort, tuned on text, shared libraries and many small files. Inside long
// matches, inserting every second position (rather than only the last kTailInserts) gains
// 1 % on text and libraries (3 % on repetitive text) for 6 % more time; every position gains
// 0.2 % more for another 12 %. Searching every kCoveredSearch-th position there too (its
// matches kept for the parse) gains 1 % on text for about 1 % more time, which pays for
// depth 10 / nice 32 instead of 12 / 40: together 0.1-0.4 % smaller and about 6 % faster.
// Every eighth position gains another 0.3 % on text for 5-9 % more time. Searching the
// first kHeadSearches positions as well gains 1 % on text (0.2 % on many small files) for
// 4 % more instructions on text: a longer match often starts a byte or two into the one found.
constexpr int kNiceLength = 32;
constexpr int kSearchDepth = 10;
constexpr int32_t kTailInserts = 8;
constexpr int32_t kCoveredSearch = 16;
constexpr int32_t kHeadSearches = 4;

// The input is compressed in segments of up to kSegment bytes, each on its own by one
// thread, and their bit streams are joined in order. A segment starts with a fresh match
// finder primed with the window of input before it, so its matches reach back exactly as far
// as if the stream had never been cut; its parse and blocks start afresh (as they do at every
// chunk). Where the segments begin depends on the input and the size hint alone, so the
// output is the same however many threads compress them and in whatever order they finish.
// With a hint, the expected input is cut into an even number of segments of equal length:
// two threads then finish it together, where a short last segment would leave one of them
// idle for most of a segment's time.
//
// buf holds the window before the segment ([0, start)), the segment ([start, end)) and
// kPadding zero bytes; out receives its compressed bits.
struct Segment {
    std::unique_ptr<uint8_t[]> buf;
    int32_t start = 0;
    int32_t end = 0;
    BitWriter out;
    bool done = false; // compressed, and not yet written (guarded by the pool's lock)
};

// A thread's working memory for compressing segments.
struct Encoder {
    MatchFinder mf;
    MatchCache cache;
    ParseWork work;
    std::vector<uint32_t> items;
    std::vector<uint32_t> block_items;
    std::vector<size_t> ends;
    CostModel model;
    BlockPlan plan;
    Segment segment; // the one segment of a run on the calling thread alone
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

// Finds the matches of every position from scan on, up to a chunk or until the cache is
// full; returns the end of the positions covered. After a match of kNiceLength or more, the
// positions it covers are mostly left without matches (a parse rarely leaves such a match
// for another): only its first kHeadSearches and those at multiples of kCoveredSearch are
// searched, which lets the parse switch to a longer match that starts inside it (the search
// that found it stopped at the first candidate of kNiceLength). Of the others, the last
// kTailInserts and every second one before them are inserted, so that a later repeat of
// these bytes finds them (at most a byte late) even once their older copy has left the
// window. These inserts compare at most kNiceLength bytes: they report nothing, and a node
// that far alike is replaced in the tree either way. A search stores at most kMaxMatch - 2
// matches, which the cache's kMaxMatch entries past kMatchCacheLimit hold, so a search
// inside a long match waits for room below that limit.
int32_t collect_matches(MatchFinder &mf, const uint8_t *buf, int32_t scan, int32_t fill,
                        MatchCache &c) {
    const int32_t end = std::min<int32_t>(scan + int32_t(kChunk), fill);
    c.base = scan;
    c.first.assign(1, 0);
    size_t used = 0;
    int32_t p = scan;
    while (p < end && used < kMatchCacheLimit) {
        const int max_len = std::min(kMaxMatch, fill - p);
        if (max_len < kMinMatch) {
            c.first.push_back(uint32_t(used));
            ++p;
            continue;
        }
        Match *m = &c.matches[used];
        const int n = find_matches(mf, buf, p, max_len, kNiceLength, kSearchDepth, m);
        used += size_t(n);
        c.first.push_back(uint32_t(used));
        ++p;
        if (n > 0 && m[n - 1].length >= kNiceLength) {
            const int32_t skip_end = std::min(end, p - 1 + m[n - 1].length);
            const int32_t head_end = p + kHeadSearches;
            for (; p < skip_end; ++p) {
                if ((p < head_end || p % kCoveredSearch == 0) && used < kMatchCacheLimit &&
                    fill - p >= kMinMatch)
                    used += size_t(find_matches(mf, buf, p, std::min(kMaxMatch, fill - p),
                                                kNiceLength, kSearchDepth, &c.matches[used]));
                else if (p + kTailInserts >= skip_end || p % 2 == 0)
                    skip_position(mf, buf, p, std::min(kNiceLength, fill - p), kNiceLength,
                                  kSearchDepth);
                c.first.push_back(uint32_t(used));
            }
        }
    }
    return p;
}

void write_items(Encoder &e, const MethodParams &params, const uint32_t *items, size_t n,
                 BitWriter &out) {
    for (size_t done = 0; done < n;) {
        const size_t count = std::min(n - done, size_t(kMaxBlockSymbols));
        SymbolCounts counts;
        count_items(items + done, count, counts);
        plan_block(counts, params, e.plan);
        write_block(out, items + done, count, params, e.plan);
        done += count;
    }
}

// Parses the chunk of e.cache quickly, splits the result into blocks by its statistics, then
// parses each block again at the least cost under the code its quick parse would get, and
// writes it.
void encode_chunk(Encoder &e, const MethodParams &params, const uint8_t *buf, BitWriter &out) {
    const MatchCache &c = e.cache;
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
        costs_from_counts(counts, params.position_symbols, e.model);
        e.block_items.clear();
        parse_range(buf, block_start, block_end, c, e.model, e.work, e.block_items);
        write_items(e, params, e.block_items.data(), e.block_items.size(), out);
        first_item = block_end_item;
        block_start = block_end;
    }
}

// Compresses segment s into s.out with e's memory.
void encode_segment(Encoder &e, const MethodParams &params, Segment &s) {
    if (!e.cache.matches)
        e.cache.matches.reset(new Match[kMatchCacheLimit + kMaxMatch]);
    init_match_finder(e.mf, params.window_bits);
    const uint8_t *buf = s.buf.get();
    // Every position of the window before the segment is inserted; like the inserts inside
    // long matches, they compare at most kNiceLength bytes.
    for (int32_t p = 0; p < s.start && s.end - p >= kMinMatch; ++p)
        skip_position(e.mf, buf, p, std::min(kNiceLength, s.end - p), kNiceLength, kSearchDepth);
    s.out.out.clear();
    s.out.bits = 0;
    s.out.count = 0;
    for (int32_t scan = s.start; scan < s.end;) {
        const int32_t next = collect_matches(e.mf, buf, scan, s.end, e.cache);
        encode_chunk(e, params, buf, s.out);
        scan = next;
    }
}

// The input as segments, read in order on the calling thread.
struct SegmentReader {
    const LzhReadFn &read;
    int32_t window;
    int32_t segment; // input bytes per segment, at most kSegment
    bool at_end = false;
    uint16_t crc = 0;
    uint64_t size = 0;
};

// Fills s with the next segment of the input, its window copied from the end of prev (the
// segment before it, which may be s itself; null for the first). False on a read error; an
// empty segment once the input is used up.
bool read_segment(SegmentReader &r, Segment &s, const Segment *prev) {
    if (!s.buf)
        s.buf.reset(new uint8_t[kMaxWindow + kSegment + kPadding]);
    const int32_t history = prev ? std::min(r.window, prev->end) : 0;
    if (history > 0)
        std::memmove(s.buf.get(), prev->buf.get() + prev->end - history, size_t(history));
    s.start = s.end = history;
    const int32_t full = history + r.segment;
    while (!r.at_end && s.end < full) {
        const size_t room = std::min(size_t(full - s.end), kReadStep);
        size_t got = 0;
        if (!r.read(s.buf.get() + s.end, room, got))
            return false;
        got = std::min(got, room);
        r.crc = crc16_update(r.crc, s.buf.get() + s.end, got);
        r.size += got;
        s.end += int32_t(got);
        r.at_end = got == 0;
    }
    std::memset(s.buf.get() + s.end, 0, kPadding);
    return true;
}

// Hands what the joined stream holds in whole bytes to write.
bool drain(BitWriter &joined, const LzhWriteFn &write, uint64_t &written) {
    if (joined.out.empty())
        return true;
    written += joined.out.size();
    const bool ok = write(joined.out.data(), joined.out.size());
    joined.out.clear();
    return ok;
}

// Segments compressed by worker threads: segment k lives in slots[k % slots.size()] from its
// reading (on the calling thread) until its writing, and the calling thread reads a segment
// only once the one that last used its slot is written. Workers take segments in order.
struct SegmentPool {
    const MethodParams &params;
    std::vector<Segment> slots;
    std::mutex lock;
    std::condition_variable changed;
    size_t read = 0;  // segments read
    size_t taken = 0; // segments taken by a worker
    bool stopping = false;
    std::vector<std::thread> workers;

    // A system that refuses threads leaves the work to those it gave (none: the caller
    // compresses on its own thread instead).
    SegmentPool(const MethodParams &p, unsigned threads) : params(p), slots(2 * size_t(threads)) {
        try {
            for (unsigned i = 0; i < threads; ++i)
                workers.emplace_back([this] { work(); });
        } catch (const std::system_error &) {
        }
    }
    ~SegmentPool() {
        {
            std::lock_guard hold(lock);
            stopping = true;
        }
        changed.notify_all();
        for (std::thread &worker : workers)
            worker.join();
    }
    SegmentPool(const SegmentPool &) = delete;
    SegmentPool &operator=(const SegmentPool &) = delete;

    void work() {
        EncoderLease lease;
        std::unique_lock hold(lock);
        for (;;) {
            changed.wait(hold, [this] { return stopping || taken < read; });
            if (stopping)
                return;
            Segment &s = slots[taken++ % slots.size()];
            hold.unlock();
            encode_segment(*lease.encoder, params, s);
            hold.lock();
            s.done = true;
            changed.notify_all();
        }
    }
};

bool encode_here(const MethodParams &params, SegmentReader &reader, BitWriter &joined,
                 const LzhWriteFn &write, uint64_t &written) {
    EncoderLease lease;
    Encoder &e = *lease.encoder;
    for (const Segment *prev = nullptr; !reader.at_end; prev = &e.segment) {
        if (!read_segment(reader, e.segment, prev))
            return false;
        if (e.segment.end == e.segment.start)
            break;
        encode_segment(e, params, e.segment);
        append_bits(joined, e.segment.out);
        if (!drain(joined, write, written))
            return false;
    }
    return true;
}

bool encode_on_workers(const MethodParams &params, unsigned threads, SegmentReader &reader,
                       BitWriter &joined, const LzhWriteFn &write, uint64_t &written) {
    SegmentPool pool(params, threads);
    if (pool.workers.empty())
        return encode_here(params, reader, joined, write, written);
    const size_t n = pool.slots.size();
    for (size_t next = 0;; ++next) {
        while (!reader.at_end && pool.read < next + n) {
            Segment &s = pool.slots[pool.read % n];
            const Segment *prev = pool.read == 0 ? nullptr : &pool.slots[(pool.read - 1) % n];
            if (!read_segment(reader, s, prev))
                return false;
            if (s.end == s.start)
                break;
            std::lock_guard hold(pool.lock);
            s.done = false;
            ++pool.read;
            pool.changed.notify_all();
        }
        if (next == pool.read)
            return true;
        Segment &s = pool.slots[next % n];
        {
            std::unique_lock hold(pool.lock);
            pool.changed.wait(hold, [&s] { return s.done; });
        }
        append_bits(joined, s.out);
        if (!drain(joined, write, written))
            return false;
    }
}

// The length of the segments of an input of about size_hint bytes (0: unknown).
int32_t segment_length(uint64_t size_hint) {
    if (size_hint <= kSegment)
        return int32_t(kSegment);
    uint64_t count = (size_hint + kSegment - 1) / kSegment;
    count += count % 2;
    return int32_t((size_hint + count - 1) / count);
}

} // namespace

LzhEncodeResult lzh_encode_stream(char method, const LzhReadFn &read, const LzhWriteFn &write,
                                  unsigned threads, uint64_t size_hint) {
    LzhEncodeResult result;
    MethodParams params;
    if (!method_params(method, params))
        return result;
    SegmentReader reader{read, int32_t(1) << params.window_bits, segment_length(size_hint)};
    BitWriter joined;
    if (!(threads > 1
              ? encode_on_workers(params, threads, reader, joined, write, result.compressed_size)
              : encode_here(params, reader, joined, write, result.compressed_size)))
        return result;
    flush_bits(joined);
    if (!drain(joined, write, result.compressed_size))
        return result;
    result.ok = true;
    result.original_size = reader.size;
    result.crc = reader.crc;
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

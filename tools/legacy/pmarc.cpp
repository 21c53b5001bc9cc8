// The two methods of the MSX and CP/M archiver family: -pm1- (16 KiB window, fixed codes, runs
// of literals between copies) and -pm2- (8 KiB window of spaces, static codes sent at set points
// of the output). Neither sends a literal's value: it sends the value's rank among the byte
// values ordered by their last use.
#include "bit_input.h"
#include "canonical_code.h"
#include "methods.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace legacy {
namespace {

// The 256 byte values, most recently output first. Before any output: printable ASCII, then
// control codes, then 0xa0-0xdf, 0x80-0x9f and 0xe0-0xff.
class RecentBytes {
  public:
    RecentBytes() {
        unsigned at = 0;
        for (auto [from, to] : {std::pair{0x20u, 0x80u},
                                {0x00u, 0x20u},
                                {0xa0u, 0xe0u},
                                {0x80u, 0xa0u},
                                {0xe0u, 0x100u}})
            for (unsigned value = from; value < to; ++value)
                order_[at++] = static_cast<std::uint8_t>(value);
    }
    std::uint8_t at(unsigned rank) const { return order_[rank & 0xff]; }
    void use(std::uint8_t byte) {
        auto found = std::find(order_.begin(), order_.end(), byte);
        std::copy_backward(order_.begin(), found, found + 1);
        order_[0] = byte;
    }

  private:
    std::array<std::uint8_t, 256> order_;
};

// A number sent as `bits` bits added to `base`.
struct Range {
    unsigned base, bits;
};

unsigned take(BitInput &in, Range range) {
    return range.base + in.take(range.bits);
}

// The output window together with the recency order every output byte updates.
struct Output {
    History history;
    RecentBytes recent;

    void put(std::uint8_t byte) {
        history.put(byte);
        recent.use(byte);
    }
    // The byte `distance` bytes back (1 = the byte just written).
    std::uint8_t back(unsigned distance) { return history.at(history.position() - distance); }
    // Bytes output so far, saturated far above every threshold of the codes.
    unsigned so_far() const {
        return static_cast<unsigned>(std::min<std::uint64_t>(history.written(), 1u << 30));
    }
};

// -pm1- literals come in runs. The stream opens with the choice of one of 32 fixed codes for a
// literal's rank class, written here as trees: "(xy)" reads a bit and goes on in x for 0 and
// in y for 1, a letter is a class (a = 0). The class gives the range of the rank.
constexpr std::array<std::string_view, 32> pm1_class_codes{"((((ab)c)d)(ef))",
                                                           "(((ab)(cf))(de))",
                                                           "(((ab)c)(d(ef)))",
                                                           "((a(bc))(d(ef)))",
                                                           "((a(bd))(c(ef)))",
                                                           "((a(b(ef)))(cd))",
                                                           "((ab)((cd)(ef)))",
                                                           "((ab)((c(ef))d))",
                                                           "((ab)(c(d(ef))))",
                                                           "(a(((bf)c)(de)))",
                                                           "(a(((b(ef))c)d))",
                                                           "(a(((bc)d)(ef)))",
                                                           "(a((b(cf))(de)))",
                                                           "(a((bc)(d(ef))))",
                                                           "(a((b(d(ef)))c))",
                                                           "(a(b((cd)(ef))))",
                                                           "(a(b(c(d(ef)))))",
                                                           "(((de)c)(de))",
                                                           "((a(be))(cd))",
                                                           "((ab)(c(de)))",
                                                           "(a(((be)c)d))",
                                                           "(a((bc)(de)))",
                                                           "(a((b(de))c))",
                                                           "(a(b(c(de))))",
                                                           "(((ab)c)d)",
                                                           "((a(bd))c)",
                                                           "((ab)(cd))",
                                                           "(a((bd)c))",
                                                           "(a(b(cd)))",
                                                           "(a(bc))",
                                                           "(ab)",
                                                           "a"};
constexpr std::array<Range, 6> pm1_rank_ranges{
    {{0, 4}, {16, 4}, {32, 5}, {64, 6}, {128, 6}, {192, 6}}};
constexpr unsigned pm1_longest_run = 216;

unsigned pm1_class(BitInput &in, std::string_view code) {
    std::size_t at = 0;
    while (code[at] == '(') {
        ++at;
        if (in.bit()) { // skip the first subtree
            int depth = 0;
            do
                depth += code[at] == '(' ? 1 : code[at] == ')' ? -1 : 0;
            while (++at, depth > 0);
        }
    }
    return static_cast<unsigned>(code[at] - 'a');
}

// Run lengths 1 to 216: each step's largest value announces the next step.
unsigned pm1_run_length(BitInput &in) {
    unsigned x = in.take(2);
    if (x < 3)
        return x + 1;
    x = in.take(3);
    if (x < 7)
        return x + 4;
    x = in.take(4);
    if (x < 14)
        return x + 11;
    return take(in, x == 14 ? Range{25, 6} : Range{89, 7});
}

// Copy lengths 3 to 244, in the same manner.
unsigned pm1_copy_length(BitInput &in) {
    unsigned x = in.take(2);
    if (x < 3)
        return x + 3;
    x = in.take(3);
    if (x < 5)
        return x + 6;
    if (x < 7)
        return take(in, x == 5 ? Range{11, 2} : Range{15, 3});
    x = in.take(6);
    if (x < 62)
        return x + 23;
    return take(in, x == 62 ? Range{85, 5} : Range{117, 7});
}

// The kind of a copy, 0 to 5. Branches that lead to distances beyond the output so far are
// left out of the code (their bit is not sent) until the output reaches them.
unsigned pm1_copy_kind(BitInput &in, unsigned so_far) {
    auto bit_once = [&](unsigned threshold, unsigned otherwise) {
        return so_far >= threshold ? in.bit() : otherwise;
    };
    if (in.bit() == 0)
        return bit_once(576, 0) ? 4 : bit_once(64, 0);
    if (bit_once(64, 1) == 0)
        return 3;
    return bit_once(2624, 1) ? 2 : 5;
}

// The distance value (distance minus one) of a copy. Kinds 3 to 5 start at a base and use the
// fewest bits, at least 8, that reach past the output so far, up to the width of the kind.
unsigned pm1_distance(BitInput &in, unsigned kind, unsigned so_far) {
    constexpr std::array<Range, 6> widest{
        {{0, 6}, {64, 8}, {0, 6}, {64, 9}, {576, 11}, {2624, 13}}};
    Range range = widest[kind];
    if (kind >= 3)
        for (unsigned bits = 8; bits < range.bits; ++bits)
            if (range.base + (1u << bits) > so_far) {
                range.bits = bits;
                break;
            }
    return take(in, range);
}

std::string pm1_copy(BitInput &in, Output &output) {
    unsigned so_far = output.so_far();
    unsigned kind = pm1_copy_kind(in, so_far);
    unsigned length = kind < 2 ? 2 : pm1_copy_length(in);
    unsigned distance = pm1_distance(in, kind, so_far);
    if (in.overrun())
        return "";
    if (distance >= so_far)
        return "a copy from before the start of the data";
    for (unsigned i = 0; i < length && !output.history.done(); ++i)
        output.put(output.back(distance + 1));
    return "";
}

} // namespace

std::string expand_pm1(Packed packed, std::uint64_t size, const Sink &out) {
    Output output{History(14, 0, size, out), {}};
    BitInput in(packed);
    std::string_view classes = pm1_class_codes[in.take(5)];
    std::string damage;
    while (!output.history.done() && !in.overrun() && damage.empty()) {
        if (in.bit()) {
            unsigned run = pm1_run_length(in);
            for (unsigned i = 0; i < run && !output.history.done(); ++i) {
                unsigned rank = take(in, pm1_rank_ranges[pm1_class(in, classes)]);
                if (in.overrun())
                    break;
                output.put(output.recent.at(rank));
            }
            // A run of the longest length is followed by a new command rather than a copy.
            if (run == pm1_longest_run || output.history.done() || in.overrun())
                continue;
        }
        damage = pm1_copy(in, output);
    }
    return finish(output.history, in, damage);
}

namespace {

// The static codes of -pm2-: a code of up to 31 symbols (0-7 literals by rank class, 8 and up
// copies) and a code for the width class of a copy's distance.
struct Pm2Codes {
    CanonicalCode symbols, offsets;
    bool offsets_needed = false;
};

constexpr std::array<Range, 8> pm2_rank_ranges{
    {{0, 3}, {8, 3}, {16, 4}, {32, 5}, {64, 5}, {96, 5}, {128, 6}, {192, 6}}};
constexpr std::array<Range, 6> pm2_long_copies{
    {{17, 3}, {25, 3}, {33, 5}, {65, 6}, {129, 7}, {256, 0}}};
constexpr unsigned pm2_literals = 8, pm2_short_copies = 15, pm2_run_code = 20;

// Symbol count, shortest length, then per symbol 0 (unused) or its length above the shortest
// plus one. A shortest length of 0 stands for a code of one symbol, the last. Codes too small
// to hold a copy with a distance code, and the code of only the longest run, send no offset
// code.
std::string read_pm2_symbols(BitInput &in, Pm2Codes &codes) {
    unsigned count = in.take(5), shortest = in.take(3);
    codes.offsets_needed = count >= pm2_literals + 2 && !(count == 29 && shortest == 0);
    if (shortest == 0) {
        if (count == 0)
            return "a symbol code without symbols";
        codes.symbols.single(count - 1);
        return "";
    }
    unsigned width = in.take(3);
    std::array<std::uint8_t, 31> lengths{};
    for (unsigned i = 0; i < count; ++i) {
        unsigned value = in.take(width);
        lengths[i] = static_cast<std::uint8_t>(value == 0 ? 0 : shortest + value - 1);
    }
    if (!codes.symbols.build(std::span(lengths).first(count)))
        return "an impossible symbol code";
    return "";
}

// `entries` lengths of three bits; a single used entry is a code without bits.
std::string read_pm2_offsets(BitInput &in, Pm2Codes &codes, unsigned entries) {
    if (!codes.offsets_needed)
        return "";
    std::array<std::uint8_t, 8> lengths{};
    unsigned used = 0, last = 0;
    for (unsigned i = 0; i < entries; ++i) {
        lengths[i] = static_cast<std::uint8_t>(in.take(3));
        if (lengths[i] != 0)
            ++used, last = i;
    }
    if (used == 1)
        codes.offsets.single(last);
    else if (!codes.offsets.build(std::span(lengths).first(entries)))
        return "an impossible distance code";
    return "";
}

// New codes at set points of the output (1, 2 and 4 KiB, then every 4 KiB). The distance code
// grows an entry at each of the first three, as farther distances come within reach; from
// 4 KiB on a bit tells whether new codes follow.
std::string change_pm2_codes(BitInput &in, Pm2Codes &codes, std::uint64_t at) {
    if (at < 4096)
        return read_pm2_offsets(in, codes, at == 1024 ? 6 : 7);
    bool fresh = in.bit() != 0;
    std::string damage = fresh ? read_pm2_symbols(in, codes) : "";
    if (damage.empty() && (fresh || at == 4096))
        damage = read_pm2_offsets(in, codes, 8);
    return damage;
}

// The distance value (distance minus one) of copy code `copy`.
int pm2_distance(BitInput &in, const Pm2Codes &codes, unsigned copy) {
    if (copy >= pm2_run_code)
        return 0;
    int width = copy == 0 ? 0 : codes.offsets.decode(in);
    if (width <= 0)
        return width < 0 ? -1 : static_cast<int>(in.take(6));
    unsigned bits = static_cast<unsigned>(width) + 5;
    return static_cast<int>((1u << bits) + in.take(bits));
}

} // namespace

std::string expand_pm2(Packed packed, std::uint64_t size, const Sink &out) {
    Output output{History(13, ' ', size, out), {}};
    History &history = output.history;
    BitInput in(packed);
    Pm2Codes codes;
    in.skip(1);
    std::string damage = read_pm2_symbols(in, codes);
    if (damage.empty())
        damage = read_pm2_offsets(in, codes, 5);
    std::uint64_t next_change = 1024;
    while (damage.empty() && !history.done() && !in.overrun()) {
        int symbol = codes.symbols.decode(in);
        if (symbol < 0) {
            damage = "a symbol code no symbol has";
            break;
        }
        unsigned copy = static_cast<unsigned>(symbol) - pm2_literals, length = 1;
        int rank_or_distance;
        if (symbol < static_cast<int>(pm2_literals)) {
            rank_or_distance = static_cast<int>(take(in, pm2_rank_ranges[symbol]));
        } else {
            if (copy >= pm2_short_copies + pm2_long_copies.size()) {
                damage = "a copy length code that does not exist";
                break;
            }
            length = copy < pm2_short_copies ? copy + 2
                                             : take(in, pm2_long_copies[copy - pm2_short_copies]);
            rank_or_distance = pm2_distance(in, codes, copy);
            if (rank_or_distance < 0) {
                damage = "a distance code no width has";
                break;
            }
        }
        if (in.overrun())
            break;
        // The codes change as soon as the output reaches a set point, even within a copy.
        for (unsigned i = 0; i < length && !history.done() && damage.empty(); ++i) {
            output.put(symbol < static_cast<int>(pm2_literals)
                           ? output.recent.at(static_cast<unsigned>(rank_or_distance))
                           : output.back(static_cast<unsigned>(rank_or_distance) + 1));
            if (history.written() == next_change && !history.done()) {
                damage = change_pm2_codes(in, codes, next_change);
                next_change += std::min<std::uint64_t>(next_change, 4096);
            }
        }
    }
    return finish(history, in, damage);
}

} // namespace legacy

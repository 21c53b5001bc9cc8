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

std::string finish(History &history, const BitInput &in, const std::string &damage) {
    history.flush();
    if (!damage.empty())
        return damage + " after " + std::to_string(history.written()) + " bytes";
    if (in.overrun() || !history.done())
        return ended_early(history.written(), history.expected());
    return "";
}

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

} // namespace legacy

#include "lzh_stream.h"

#include <algorithm>
#include <queue>
#include <random>
#include <stdexcept>

void BitWriter::put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; i--) {
        if (bits_ % 8 == 0)
            bytes_.push_back(0);
        if ((value >> i) & 1)
            bytes_.back() |= (uint8_t)(0x80 >> (bits_ % 8));
        bits_++;
    }
}

void put_length_field(BitWriter &out, unsigned length) {
    if (length < 7) {
        out.put(length, 3);
        return;
    }
    out.put(7, 3);
    for (unsigned i = 7; i < length; i++)
        out.put(1, 1);
    out.put(0, 1);
}

namespace {

// Plain Huffman code lengths of the symbols with a frequency, by merging the two lightest
// trees until one is left.
std::vector<uint8_t> plain_huffman(const std::vector<uint64_t> &frequencies) {
    struct Node {
        uint64_t weight;
        int left, right;
    };
    std::vector<Node> nodes;
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (size_t s = 0; s < frequencies.size(); s++) {
        if (frequencies[s] == 0)
            continue;
        nodes.push_back({frequencies[s], -1 - (int)s, 0});
        queue.push({frequencies[s], (int)nodes.size() - 1});
    }
    if (queue.size() < 2)
        throw std::invalid_argument("a code needs two symbols");
    while (queue.size() > 1) {
        Item a = queue.top();
        queue.pop();
        Item b = queue.top();
        queue.pop();
        nodes.push_back({a.first + b.first, a.second, b.second});
        queue.push({a.first + b.first, (int)nodes.size() - 1});
    }
    std::vector<uint8_t> lengths(frequencies.size(), 0);
    std::vector<std::pair<int, unsigned>> stack{{queue.top().second, 0}};
    while (!stack.empty()) {
        auto [index, depth] = stack.back();
        stack.pop_back();
        const Node &node = nodes[index];
        if (node.left < 0) {
            lengths[-1 - node.left] = (uint8_t)std::min(depth, 255u);
            continue;
        }
        stack.push_back({node.left, depth + 1});
        stack.push_back({node.right, depth + 1});
    }
    return lengths;
}

} // namespace

std::vector<uint8_t> huffman_lengths(const std::vector<uint64_t> &frequencies, unsigned limit) {
    std::vector<uint64_t> scaled = frequencies;
    for (;;) {
        std::vector<uint8_t> lengths = plain_huffman(scaled);
        if (*std::max_element(lengths.begin(), lengths.end()) <= limit)
            return lengths;
        for (uint64_t &f : scaled)
            f = f == 0 ? 0 : f / 2 + 1;
    }
}

std::vector<uint32_t> canonical_codes(const std::vector<uint8_t> &lengths) {
    unsigned count[32] = {};
    for (uint8_t l : lengths)
        count[l]++;
    count[0] = 0;
    uint32_t next[32] = {};
    uint32_t code = 0;
    for (int l = 1; l < 32; l++) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); s++)
        if (lengths[s])
            codes[s] = next[lengths[s]]++;
    return codes;
}

unsigned position_symbol(unsigned distance) {
    unsigned symbol = 0;
    while (distance >> symbol)
        symbol++;
    return symbol;
}

namespace {

struct Code {
    std::vector<uint8_t> lengths;
    std::vector<uint32_t> codes;
    int single = -1; // the symbol of a code sent as a single symbol
    void put(BitWriter &out, unsigned symbol) const {
        if (single < 0)
            out.put(codes.at(symbol), lengths.at(symbol));
    }
};

Code make_code(const std::vector<uint64_t> &frequencies) {
    Code code;
    int used = 0, last = 0;
    for (size_t s = 0; s < frequencies.size(); s++)
        if (frequencies[s]) {
            used++;
            last = (int)s;
        }
    if (used < 2) {
        code.single = last;
        return code;
    }
    code.lengths = huffman_lengths(frequencies, 16);
    code.codes = canonical_codes(code.lengths);
    return code;
}

size_t trimmed_count(const std::vector<uint8_t> &lengths) {
    size_t n = lengths.size();
    while (n > 0 && lengths[n - 1] == 0)
        n--;
    return n;
}

// The lengths of a small code, with the zero-run field after the third when asked for.
void put_small_code(BitWriter &out, const Code &code, unsigned count_bits, bool zero_run) {
    if (code.single >= 0) {
        out.put(0, count_bits);
        out.put(code.single, count_bits);
        return;
    }
    size_t n = trimmed_count(code.lengths);
    out.put((uint32_t)n, count_bits);
    for (size_t i = 0; i < n;) {
        put_length_field(out, code.lengths[i++]);
        if (zero_run && i == 3) {
            unsigned zeros = 0;
            while (zeros < 3 && i < n && code.lengths[i] == 0) {
                zeros++;
                i++;
            }
            out.put(zeros, 2);
        }
    }
}

// The literal/length lengths as code-length symbols: 0 = one zero, 1 = 3 to 18 zeros
// (4 extra bits), 2 = 20 to 531 zeros (9 extra bits), t >= 3 = length t - 2.
struct LengthItem {
    unsigned symbol, extra, extra_bits;
};

std::vector<LengthItem> length_items(const std::vector<uint8_t> &lengths, size_t n) {
    std::vector<LengthItem> items;
    for (size_t i = 0; i < n;) {
        if (lengths[i] != 0) {
            items.push_back({lengths[i] + 2u, 0, 0});
            i++;
            continue;
        }
        size_t run = 0;
        while (i + run < n && lengths[i + run] == 0)
            run++;
        i += run;
        while (run > 0) {
            if (run >= 20) {
                size_t take = std::min<size_t>(run, 531);
                items.push_back({2, (unsigned)(take - 20), 9});
                run -= take;
            } else if (run >= 3 && run != 19) {
                items.push_back({1, (unsigned)(run - 3), 4});
                run = 0;
            } else {
                items.push_back({0, 0, 0});
                run--;
            }
        }
    }
    return items;
}

} // namespace

void write_block(BitWriter &out, const std::vector<LzSymbol> &symbols, unsigned position_symbols,
                 int count_field, std::vector<size_t> *symbol_ends) {
    std::vector<uint64_t> lit_len_frequencies(510, 0), position_frequencies(position_symbols, 0);
    for (const LzSymbol &s : symbols) {
        lit_len_frequencies.at(s.lit_len)++;
        if (s.lit_len >= 256)
            position_frequencies.at(position_symbol(s.distance))++;
    }
    Code lit_len = make_code(lit_len_frequencies);
    Code position = make_code(position_frequencies);
    if (position.single < 0 && position.lengths.empty())
        position.single = 0;
    unsigned count_bits = position_symbols == 17 ? 5 : 4;

    out.put(count_field >= 0 ? (uint32_t)count_field : (uint32_t)(symbols.size() & 0xFFFF), 16);
    if (lit_len.single >= 0) {
        out.put(0, 5); // code-length code: a single symbol,
        out.put(0, 5); // symbol 0
        out.put(0, 9); // literal/length code: a single symbol,
        out.put(lit_len.single, 9);
    } else {
        size_t n = trimmed_count(lit_len.lengths);
        std::vector<LengthItem> items = length_items(lit_len.lengths, n);
        std::vector<uint64_t> item_frequencies(19, 0);
        for (const LengthItem &item : items)
            item_frequencies[item.symbol]++;
        Code code_lengths = make_code(item_frequencies);
        put_small_code(out, code_lengths, 5, true);
        out.put((uint32_t)n, 9);
        for (const LengthItem &item : items) {
            code_lengths.put(out, item.symbol);
            out.put(item.extra, item.extra_bits);
        }
    }
    put_small_code(out, position, count_bits, false);
    for (const LzSymbol &s : symbols) {
        lit_len.put(out, s.lit_len);
        if (s.lit_len >= 256) {
            unsigned p = position_symbol(s.distance);
            position.put(out, p);
            if (p > 1)
                out.put(s.distance - (1u << (p - 1)), p - 1);
        }
        if (symbol_ends)
            symbol_ends->push_back(out.bit_count());
    }
}

std::vector<uint8_t> model_expand(const std::vector<LzSymbol> &symbols, unsigned window_bits,
                                  uint32_t original_size) {
    std::vector<uint8_t> window(1u << window_bits, ' ');
    uint32_t mask = (1u << window_bits) - 1, pos = 0;
    std::vector<uint8_t> out;
    for (const LzSymbol &s : symbols) {
        if (out.size() >= original_size)
            break;
        if (s.lit_len < 256) {
            window[pos] = (uint8_t)s.lit_len;
            out.push_back(window[pos]);
            pos = (pos + 1) & mask;
            continue;
        }
        uint32_t from = (pos - s.distance - 1) & mask;
        for (unsigned k = 0; k < s.lit_len - 253u; k++) {
            window[pos] = window[from];
            out.push_back(window[pos]);
            pos = (pos + 1) & mask;
            from = (from + 1) & mask;
        }
    }
    return out;
}

std::vector<LzSymbol> random_symbols(uint32_t seed, size_t count, unsigned window_bits,
                                     unsigned position_symbols) {
    std::mt19937 random(seed);
    auto below = [&](uint32_t n) { return (uint32_t)(random() % n); };
    uint32_t max_distance = (1u << (position_symbols - 1)) - 1;
    uint32_t window = 1u << window_bits;
    std::vector<LzSymbol> symbols;
    for (size_t i = 0; i < count; i++) {
        uint32_t kind = below(100);
        if (kind < 55) {
            // Skewed literals: a few bytes are common, the rest rare enough for long codes.
            uint32_t byte = below(4) ? below(16) + 'a' : below(256);
            if (below(50) == 0)
                byte = 0x80 + below(8);
            symbols.push_back(literal((uint8_t)byte));
            continue;
        }
        uint32_t length = below(4) ? 3 + below(8) : 3 + below(254);
        if (below(200) == 0)
            length = 256;
        uint32_t distance;
        switch (below(6)) {
        case 0:
            distance = below(8); // overlapping, 0 included
            break;
        case 1:
            distance = below(300);
            break;
        case 2:
            distance = window - 1 - below(4); // the whole window, or nearly
            break;
        default:
            distance = below(max_distance + 1);
        }
        symbols.push_back(match(length, std::min(distance, max_distance)));
    }
    return symbols;
}

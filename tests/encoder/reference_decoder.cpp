#include "reference_decoder.h"

#include <algorithm>
#include <stdexcept>

namespace {

struct Reject : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct BitReader {
    const std::vector<uint8_t> &in;
    size_t bit = 0; // next bit; bits past the end of in read as 0

    unsigned take(int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i, ++bit) {
            const size_t byte = bit / 8;
            const unsigned b = byte < in.size() ? (in[byte] >> (7 - bit % 8)) & 1 : 0;
            v = v << 1 | b;
        }
        return v;
    }
};

// A canonical code as count per length and symbols in code order; or a single symbol.
struct Code {
    int single = -1;
    int count[17] = {};
    std::vector<int> sorted;
    int longest = 0;
};

Code make_code(const std::vector<int> &lengths, const char *what) {
    Code code;
    long kraft = 0;
    for (int len : lengths) {
        if (len > 16)
            throw Reject(std::string(what) + ": length above 16");
        if (len > 0) {
            ++code.count[len];
            kraft += 1L << (16 - len);
            code.longest = std::max(code.longest, len);
        }
    }
    if (kraft != 1L << 16)
        throw Reject(std::string(what) + ": not a complete prefix code");
    for (int len = 1; len <= 16; ++len)
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] == len)
                code.sorted.push_back(int(s));
    return code;
}

int decode(BitReader &r, const Code &code) {
    if (code.single >= 0)
        return code.single;
    int first = 0;
    int index = 0;
    int value = 0;
    for (int len = 1; len <= 16; ++len) {
        value = value << 1 | int(r.take(1));
        if (value - first < code.count[len])
            return code.sorted[size_t(index + value - first)];
        index += code.count[len];
        first = (first + code.count[len]) << 1;
    }
    throw Reject("undecodable bits");
}

Code read_small_code(BitReader &r, int symbols, int count_bits, bool zero_run, const char *what) {
    const int n = int(r.take(count_bits));
    if (n == 0) {
        Code code;
        code.single = int(r.take(count_bits));
        if (code.single >= symbols)
            throw Reject(std::string(what) + ": single symbol out of range");
        return code;
    }
    if (n > symbols)
        throw Reject(std::string(what) + ": too many lengths");
    std::vector<int> lengths(size_t(symbols), 0);
    for (int i = 0; i < n;) {
        int len = int(r.take(3));
        if (len == 7)
            while (r.take(1) == 1)
                if (++len > 16)
                    throw Reject(std::string(what) + ": length above 16");
        lengths[size_t(i++)] = len;
        if (zero_run && i == 3)
            i += int(r.take(2));
    }
    return make_code(lengths, what);
}

Code read_lit_len_code(BitReader &r, const Code &code_len) {
    const int n = int(r.take(9));
    if (n == 0) {
        Code code;
        code.single = int(r.take(9));
        if (code.single >= 510)
            throw Reject("lit/len: single symbol out of range");
        return code;
    }
    if (n > 510)
        throw Reject("lit/len: too many lengths");
    std::vector<int> lengths(510, 0);
    for (int i = 0; i < n;) {
        const int t = decode(r, code_len);
        const int zeros = t == 0   ? 1
                          : t == 1 ? int(r.take(4)) + 3
                          : t == 2 ? int(r.take(9)) + 20
                                   : 0;
        if (i + std::max(zeros, 1) > n)
            throw Reject("lit/len: lengths run past the count");
        if (zeros == 0)
            lengths[size_t(i++)] = t - 2;
        else
            i += zeros;
    }
    if (lengths[size_t(n - 1)] == 0)
        throw Reject("lit/len: count covers trailing zero lengths");
    return make_code(lengths, "lit/len");
}

} // namespace

DecodeReport reference_decode(char method, const std::vector<uint8_t> &in, size_t size) {
    DecodeReport rep;
    const int window_bits = method == '4' ? 12 : method == '5' ? 13 : method == '6' ? 15 : 16;
    const int np = method == '6' || method == '7' ? 17 : 14;
    const int pbits = np == 17 ? 5 : 4;
    BitReader r{in};
    try {
        while (rep.data.size() < size) {
            unsigned left = r.take(16);
            if (left == 0)
                throw Reject("block of 65536 symbols (count 0)");
            ++rep.blocks;
            const Code code_len = read_small_code(r, 19, 5, true, "code-length");
            const Code lit_len = read_lit_len_code(r, code_len);
            const Code position = read_small_code(r, np, pbits, false, "position");
            rep.single_code_len_blocks += code_len.single >= 0;
            rep.single_lit_len_blocks += lit_len.single >= 0;
            rep.single_position_blocks += position.single >= 0;
            rep.longest_lit_len_code = std::max(rep.longest_lit_len_code, lit_len.longest);
            rep.longest_position_code = std::max(rep.longest_position_code, position.longest);
            for (; left > 0; --left) {
                if (rep.data.size() >= size)
                    throw Reject("block holds symbols beyond the data");
                const int c = decode(r, lit_len);
                if (c < 256) {
                    rep.data.push_back(uint8_t(c));
                    continue;
                }
                const int j = decode(r, position);
                const uint32_t d = j == 0 ? 0 : (1u << (j - 1)) + r.take(j - 1);
                const uint32_t back = d + 1;
                if (back > rep.data.size())
                    throw Reject("match reaches before the data");
                if (back > (1u << window_bits))
                    throw Reject("match reaches beyond the window");
                rep.largest_distance = std::max(rep.largest_distance, back);
                const size_t from = rep.data.size() - back;
                for (int k = 0; k < c - 253; ++k)
                    rep.data.push_back(rep.data[from + size_t(k)]);
            }
        }
        if (rep.data.size() != size)
            throw Reject("last match runs past the data");
        if ((r.bit + 7) / 8 != in.size())
            throw Reject("compressed size differs from the bits used");
        if (r.bit % 8 != 0 && (in.back() & ((1u << (8 - r.bit % 8)) - 1)) != 0)
            throw Reject("padding bits are not zero");
        rep.ok = true;
    } catch (const Reject &e) {
        rep.error = e.what();
    }
    return rep;
}

#include "test_data.h"

#include <random>
#include <string>

std::vector<uint8_t> random_bytes(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(size);
    for (auto &b : v)
        b = uint8_t(rng());
    return v;
}

std::vector<uint8_t> text_like(size_t size, uint32_t seed) {
    static const char *const words[] = {
        "the",        "of",       "archive", "member", "window", "and",    "a",    "to",
        "header",     "is",       "decoder", "block",  "in",     "length", "code", "that",
        "for",        "distance", "it",      "with",   "symbol", "table",  "file", "as",
        "compressed", "on",       "data",    "by",     "tree",   "bits"};
    std::mt19937 rng(seed);
    std::geometric_distribution<int> pick(0.15);
    std::vector<uint8_t> v;
    v.reserve(size + 16);
    int column = 0;
    while (v.size() < size) {
        const std::string w = words[pick(rng) % 30];
        v.insert(v.end(), w.begin(), w.end());
        column += int(w.size()) + 1;
        if (column > 70 + int(rng() % 8)) {
            v.push_back('\n');
            column = 0;
        } else {
            v.push_back(rng() % 17 == 0 ? ',' : ' ');
        }
    }
    v.resize(size);
    return v;
}

std::vector<uint8_t> record_like(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v;
    v.reserve(size + 32);
    uint32_t counter = 0;
    while (v.size() < size) {
        counter += 1 + rng() % 3;
        const uint8_t rec[16] = {0x4C,
                                 0x5A,
                                 uint8_t(counter),
                                 uint8_t(counter >> 8),
                                 0,
                                 0,
                                 uint8_t(rng() % 4),
                                 0x10,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0xFF,
                                 0xFF,
                                 uint8_t(rng()),
                                 0};
        v.insert(v.end(), rec, rec + 16);
    }
    v.resize(size);
    return v;
}

std::vector<uint8_t> concat(const std::vector<std::vector<uint8_t>> &parts) {
    std::vector<uint8_t> v;
    for (const auto &p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

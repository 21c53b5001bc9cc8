// A plain, slow decoder of -lh4- to -lh7- data, written from the format description and used
// to check what the encoder produces. It is stricter than a real decoder has to be: it
// rejects anything that a correct encoder never writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodeReport {
    bool ok = false;
    std::string error; // why the stream was rejected
    std::vector<uint8_t> data;
    int blocks = 0;
    int single_lit_len_blocks = 0;  // blocks whose literal/length code is one symbol
    int single_position_blocks = 0; // blocks whose position code is one symbol
    int single_code_len_blocks = 0; // blocks whose code-length code is one symbol
    int longest_lit_len_code = 0;
    int longest_position_code = 0;
    uint32_t largest_distance = 0; // in bytes back, 1 for the previous byte
};

// Decodes size bytes from in with method '4' to '7'. Besides undecodable data, it rejects
// incomplete or oversubscribed codes, a block count of 0 (65536 symbols), a block that ends in the
// middle of the last match or before the data is complete, a match reaching before the first byte
// or beyond the window, and compressed data longer than needed or padded with anything but zero
// bits.
DecodeReport reference_decode(char method, const std::vector<uint8_t> &in, size_t size);

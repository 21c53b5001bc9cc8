// LZH encoder for the -lh4- to -lh7- methods: turns a member's data into its compressed
// data (the part that follows the member header). Host-side tool code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct LzhEncodeResult {
    bool ok = false; // false: unknown method letter, or a read or write callback failed
    uint64_t original_size = 0;
    uint64_t compressed_size = 0;
    uint16_t crc = 0; // CRC-16/ARC of the original data, as the member header holds it
};

// Fills buffer with up to capacity bytes and sets got to their number, 0 at the end of the
// data. Returns false on a read error.
using LzhReadFn = std::function<bool(uint8_t *buffer, size_t capacity, size_t &got)>;
// Takes the next size bytes of compressed data. Returns false on a write error.
using LzhWriteFn = std::function<bool(const uint8_t *data, size_t size)>;

// Compresses everything read delivers with method '4', '5', '6' or '7' and hands the result
// to write as it is produced. The input is taken in segments of up to 2 MiB (each compressed
// on its own, with the window before it as history), which `threads` worker threads compress
// at once when it is 2 or more, each with about 10 MiB of working memory; otherwise the
// calling thread compresses them one after another. size_hint, the number of bytes read is
// expected to deliver (0: unknown), evens out the segments of a larger input; a wrong one
// costs nothing but that. The callbacks run on the calling thread only. The output depends
// on the data and size_hint alone: neither on the number of threads nor on how read splits
// the data. Working memory is kept for later runs.
LzhEncodeResult lzh_encode_stream(char method, const LzhReadFn &read, const LzhWriteFn &write,
                                  unsigned threads = 1, uint64_t size_hint = 0);

// Compresses data[0, size) and appends the compressed data to out. False for an unknown
// method letter.
bool lzh_encode(char method, const uint8_t *data, size_t size, std::vector<uint8_t> &out);

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
// to write as it is produced (a chunk at a time). Working memory stays near 15 MiB whatever
// the size of the data (and each calling thread keeps it for its next call): the input is taken in
// chunks of 256 KiB, the window carried across. When pipelined, a second thread finds the matches
// of the next chunk while the caller's thread parses and writes the current one (callers that
// already keep every processor busy do better without); the callbacks run on the caller's thread
// only. The output depends neither on that nor on how read splits the data.
LzhEncodeResult lzh_encode_stream(char method, const LzhReadFn &read, const LzhWriteFn &write,
                                  bool pipelined = true);

// Compresses data[0, size) and appends the compressed data to out. False for an unknown
// method letter.
bool lzh_encode(char method, const uint8_t *data, size_t size, std::vector<uint8_t> &out);

// Member expansion: stored copies, and the sliding dictionary of -lh4- to -lh7-.
#include "decode/expand.h"
#include "archive/header.h"
#include "decode/bit_input.h"
#include "decode/blocks.h"
#include "decode/expand_fast.h"
#include "extract/sink.h"
#include "resource.h"
#include "process/abort.h"
#include "process/messages.h"
#include "process/state.h"

#include <string.h>

namespace {

constexpr uint32_t STORED_BLOCK = WINDOW_CAPACITY;

// The window is a ring of twice the dictionary, W = window_size, taken in halves: one half
// is written while the other holds the older part of the dictionary, and a half goes to the
// sink as soon as it is full, so the sink sees the same blocks of W bytes as from a ring of
// W. Every match reaches back at most W bytes, so the bytes ahead of the write position
// are more than W old and are written anew before anything reads them or the sink takes
// them: a copy may write up to COPY_SPILL bytes past its end (the fast loop's chunks), into
// the ring or the spill room after it, with nothing to put back.
//
// Matches that reach back before a member's first byte copy spaces, so every member starts
// on a window of spaces. Filling the whole window costs more than decoding a small member,
// so only what earlier members wrote is filled again: state.window_spaces counts the bytes
// at the buffer's end known to hold spaces (every byte from WINDOW_BUFFER_SIZE -
// window_spaces on; a zeroed state knows of none, and the first member fills it all).
// Whatever writes into the window first lowers the count below the furthest byte it may
// write, so that the count holds even when a member is abandoned half-way:
//   - an expanded member writes within its ring and the spill room after it and, before it
//     wraps, below size_to_produce + MAX_MATCH + COPY_SPILL (the last match is copied whole
//     after the count check);
//   - a stored member reads blocks of up to STORED_BLOCK bytes into it.
void will_write_window(uint32_t extent) {
    uint32_t spaces = WINDOW_BUFFER_SIZE - extent;
    if (spaces < state.window_spaces)
        state.window_spaces = spaces;
}

void fill_window_with_spaces() {
    memset(state.window, ' ', WINDOW_BUFFER_SIZE - state.window_spaces);
    state.window_spaces = WINDOW_BUFFER_SIZE;
}

// Hands `count` bytes of the window from `start` to the sink and reports `done` bytes.
void flush_window(uint32_t start, uint32_t count, uint64_t done) {
    sink_write(state.window + start, count, state.output_handle);
    report_progress(done, configured_total());
}

// After a byte was put at window_pos - 1: a full half goes to the sink, reported with
// `done`, and the ring's end wraps.
void close_full_half(uint64_t done) {
    uint32_t half = state.window_size;
    if ((state.window_pos & (half - 1)) != 0)
        return;
    flush_window(state.window_pos - half, half, done);
    state.window_pos &= 2 * half - 1;
}

// A match, counted whole before its first byte is copied; every byte is tested against
// its half's end. A distance is taken modulo the dictionary, as in a ring of its size: the
// position codes of -lh4- reach twice as far as its dictionary.
void copy_match_checked(uint32_t length, uint32_t distance) {
    uint32_t mask = 2 * state.window_size - 1;
    uint32_t from = (state.window_pos - (distance & (state.window_size - 1)) - 1) & mask;
    state.produced_count += length;
    state.bytes_done += length;
    while (length-- != 0) {
        state.window[state.window_pos++] = state.window[from];
        from = (from + 1) & mask;
        close_full_half(state.bytes_done);
    }
}

// One symbol through the checked path. A literal that fills a half is counted in the
// report that follows.
void expand_symbol() {
    uint32_t symbol = decode_lit_len();
    if (symbol >= FIRST_MATCH_SYMBOL) {
        copy_match_checked(symbol - (FIRST_MATCH_SYMBOL - MIN_MATCH), decode_distance());
        return;
    }
    state.window[state.window_pos++] = (uint8_t)symbol;
    close_full_half(state.bytes_done + 1);
    state.produced_count++;
    state.bytes_done++;
}

} // namespace

void expand_member() {
    uint8_t method_letter = state.header[HEADER_METHOD_LETTER];
    state.window_bits = window_bits_of(method_letter);
    state.window_size = 1u << state.window_bits;
    state.size_to_produce = read_u32(state.header + HEADER_ORIGINAL_SIZE);
    state.compressed_left = read_u32(state.header + HEADER_COMPRESSED_SIZE);
    state.crc = 0;
    fill_window_with_spaces();
    uint32_t size = state.size_to_produce;
    uint32_t ring = 2 * state.window_size;
    will_write_window(size < ring - MAX_MATCH ? size + MAX_MATCH + COPY_SPILL : ring + COPY_SPILL);
    start_block_decoder(method_letter);
    state.produced_count = 0;
    state.window_pos = 0;
    while (state.produced_count < state.size_to_produce) {
        if (!expand_fast_ready()) {
            expand_symbol();
            continue;
        }
        uint32_t distance;
        uint32_t length =
            state.processor_sse2 ? expand_fast_sse2(&distance) : expand_fast(&distance);
        if (length != 0)
            copy_match_checked(length, distance);
    }
    uint32_t half_start = state.window_pos & state.window_size;
    if (state.window_pos != half_start)
        flush_window(half_start, state.window_pos - half_start, state.bytes_done);
}

// The size is unsigned: a member of 2 GiB or more is copied whole, like any other.
void copy_stored_member(uint32_t size) {
    state.crc = 0;
    state.zero_bytes_taken = 0;
    will_write_window(size < STORED_BLOCK ? size : STORED_BLOCK);
    while (size != 0) {
        uint32_t n = size < STORED_BLOCK ? size : STORED_BLOCK;
        DWORD delivered;
        if (!ReadFile(state.archive_handle, state.window, n, &delivered, nullptr) ||
            delivered != n) {
            report_file_error(fetch_string(IDS_READ_ERROR), state.own_path);
            raise_abort();
        }
        sink_write(state.window, n, state.output_handle);
        state.bytes_done += n;
        size -= n;
        report_progress(state.bytes_done, configured_total());
    }
}

bool member_intact(uint16_t data_crc) {
    return state.crc == data_crc && !input_overran();
}

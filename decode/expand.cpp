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

// Matches that reach back before a member's first byte copy spaces, so every member starts
// on a window of spaces. Filling the whole window costs more than decoding a small member,
// so only what earlier members wrote is filled again: state.window_spaces counts the bytes
// at the window's end known to hold spaces (every byte from WINDOW_CAPACITY - window_spaces
// on; a zeroed state knows of none, and the first member fills it all). Whatever writes
// into the window first lowers the count below the furthest byte it may write, so that the
// count holds even when a member is abandoned half-way:
//   - an expanded member writes within its window_size bytes and, before it wraps, below
//     size_to_produce + MAX_MATCH (the last match is copied whole after the count check).
//     The fast loop's chunks that run past a match are put back before it returns;
//   - a stored member reads blocks of up to STORED_BLOCK bytes into it.
void will_write_window(uint32_t extent) {
    uint32_t spaces = WINDOW_CAPACITY - extent;
    if (spaces < state.window_spaces)
        state.window_spaces = spaces;
}

void fill_window_with_spaces() {
    memset(state.window, ' ', WINDOW_CAPACITY - state.window_spaces);
    state.window_spaces = WINDOW_CAPACITY;
}

// Hands `count` bytes of the window to the sink and reports `done` bytes.
void flush_window(uint32_t count, uint64_t done) {
    sink_write(state.window, count, state.output_handle);
    report_progress(done, configured_total());
}

// A match, counted whole before its first byte is copied; every byte is tested against
// the window's end.
void copy_match_checked(uint32_t length, uint32_t distance) {
    uint32_t mask = state.window_size - 1;
    uint32_t from = (state.window_pos - distance - 1) & mask;
    state.produced_count += length;
    state.bytes_done += length;
    while (length-- != 0) {
        state.window[state.window_pos++] = state.window[from];
        from = (from + 1) & mask;
        if (state.window_pos == state.window_size) {
            flush_window(state.window_size, state.bytes_done);
            state.window_pos = 0;
        }
    }
}

// One symbol through the checked path. A literal that fills the window is counted in the
// report that follows.
void expand_symbol() {
    uint32_t symbol = decode_lit_len();
    if (symbol >= FIRST_MATCH_SYMBOL) {
        copy_match_checked(symbol - (FIRST_MATCH_SYMBOL - MIN_MATCH), decode_distance());
        return;
    }
    state.window[state.window_pos++] = (uint8_t)symbol;
    if (state.window_pos == state.window_size) {
        flush_window(state.window_size, state.bytes_done + 1);
        state.window_pos = 0;
    }
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
    will_write_window(size < state.window_size - MAX_MATCH ? size + MAX_MATCH : state.window_size);
    start_block_decoder(method_letter);
    state.produced_count = 0;
    state.window_pos = 0;
    while (state.produced_count < state.size_to_produce) {
        if (!expand_fast_ready()) {
            expand_symbol();
            continue;
        }
        uint32_t distance;
        uint32_t length = expand_fast(&distance);
        if (length != 0)
            copy_match_checked(length, distance);
    }
    if (state.window_pos != 0)
        flush_window(state.window_pos, state.bytes_done);
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

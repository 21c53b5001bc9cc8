// The inner loop of member expansion for every processor, and the set-up it needs.
#include "decode/expand_fast.h"
#include "decode/expand_loop.h"

void build_position_entries() {
    for (uint32_t i = 0; i < 1u << SMALL_TABLE_BITS; i++) {
        uint32_t entry = state.small_table[i];
        uint32_t j = entry_value(entry);
        uint32_t extra = j > 1 ? j - 1 : 0;
        state.position_entries[i] = j < state.position_symbols
                                        ? ((1u << j) - 1) << 16 | (entry_bits(entry) + extra)
                                        : j << 16 | POSITION_NODE;
    }
}

// The loop needs room for one iteration: codes left in the block, bytes left in the member,
// and bytes in the window's current half before its last one, for ITERATION_SYMBOLS of a
// byte each.
bool expand_fast_ready() {
    uint32_t half_last = state.window_pos | (state.window_size - 1);
    return state.codes_left_in_block >= ITERATION_SYMBOLS &&
           state.size_to_produce - state.produced_count >= ITERATION_SYMBOLS &&
           half_last - state.window_pos >= ITERATION_SYMBOLS &&
           bytes_left_in_block() > INPUT_MARGIN;
}

uint32_t expand_fast(uint32_t *distance_out) {
    return expand_loop(distance_out);
}

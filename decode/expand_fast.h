// The unchecked inner loop of member expansion.
#pragma once

#include <stdint.h>

// Fills state.position_entries from the position code's table in state.small_table.
void build_position_entries();

// Whether expand_fast may run: a block is under way, a literal would not fill the window,
// and the current read block holds enough bytes that no refill reaches its end.
bool expand_fast_ready();

// Decodes symbols into the window while expand_fast_ready would stay true and the member
// is not complete; leaves the bit input as consume_bits would. A match that would reach the
// window's end is decoded but not copied: its length is returned (0 when there is none)
// and its distance value stored in *distance, for the checked path to copy.
uint32_t expand_fast(uint32_t *distance);

// The same for processors with SSE2, as detect_processor finds them.
uint32_t expand_fast_sse2(uint32_t *distance);

// Member expansion: stored copies and the sliding-dictionary decoder of -lh4- to -lh7-.
#pragma once

#include <stdint.h>

// Expands the current member (method letter '4' to '7') into the sink.
void expand_member();

// Whether the member just expanded or copied came out whole: its CRC is `data_crc` and its
// decoder used no bit beyond the member's compressed data (those read as zeros, and a run
// of zeros has CRC 0, so the CRC alone cannot tell).
bool member_intact(uint16_t data_crc);

// Copies a stored member of `size` bytes (unsigned: 2 GiB and more are copied whole).
void copy_stored_member(uint32_t size);

// Member expansion: stored copies and the sliding-dictionary decoder of -lh4- to -lh7-.
#pragma once

#include <stdint.h>

// Expands the current member (method letter '4' to '7') into the sink.
void expand_member();

// Copies a stored member of `size` bytes (unsigned: 2 GiB and more are copied whole).
void copy_stored_member(uint32_t size);

// Reading level-2 member headers (their layout: format/member_header.h).
#pragma once

#include "format/member_header.h"

#include <stdint.h>

enum { HEADER_READY, HEADER_END, HEADER_FAILED };

// Reads, checks and parses the next member header at the archive's position. Returns
// HEADER_READY (state.header and state.member_path describe the member, the archive
// stands at its data, state.member_data_offset says where that is), HEADER_END (nothing
// shown) or HEADER_FAILED (message shown, state.failed set; state.header may still hold
// the block). The end of the file is the end of the archive after a member; at the
// archive offset it is a failure, since even an empty archive has its 0 byte.
int read_member_header();

// Sets the archive at the end of the current member's data (its data offset plus its
// compressed size), where the next header stands however much of the data was read.
// False when the seek fails.
bool seek_past_member();

// Frees state.header and sets it to none.
void release_header();

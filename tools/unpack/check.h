// The checking walk: every member header is read before anything is written.
#pragma once

#include "input.h"

#include <stdint.h>

struct Plan {
    uint64_t files = 0, directories = 0, bytes = 0; // the members to write (not the notice)
};

// Refuses the archive when a member would land outside the destination folder (a path
// beginning with two separators, or a ".." component; one separator at the start places a
// member below the root of the destination's drive, which DIR stands for), has a path too
// long for the program, or a name that cannot become a UTF-8 file name. A test run also
// checks the notice member's CRC. A member whose data runs past the end of the file stops
// the run before anything is written. A damaged header ends the walk quietly: the program's
// own run meets it and reports it, so members before it are extracted as the program would
// extract them. Returns -1 when the run may go on, otherwise the exit code (the reason has
// been reported).
int check_members(const Input &input, bool test, Plan &plan);

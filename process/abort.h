// The abort: the program's one way out of a deep failure (read, table, write, Cancel).
//
// A raiser shows its message first, then calls raise_abort(), which jumps straight back to
// the one guard the extraction driver sets around member expansion:
//
//     if (ABORT_GUARD()) { expand_member(); } else { state.failed = 1; }
//
// Built on GCC's __builtin_setjmp / __builtin_longjmp, so it needs no runtime library and
// behaves the same in both builds. Nothing between the raise and the guard is resumed and
// no destructors run: the code in between holds no resources of its own.
#pragma once

extern void *abort_jump[5];

#define ABORT_GUARD() (__builtin_setjmp(abort_jump) == 0)

[[noreturn]] void raise_abort();

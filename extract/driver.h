// The extraction driver.
#pragma once

#include <windows.h>

#include <stdint.h>

enum { MODE_EXTRACT = 0, MODE_NOTICE = 1 };

// Walks the archive once. Returns 1 when the run ended without failure, else 0.
int run_extraction(HWND owner, int mode);

// Expands the current member into the sink, or copies it when stored, from a fresh read
// buffer (the archive must stand at the member's data), catching the abort
// that a failed read, a bad table, a failed write or Cancel raises (its message shown
// already): `failed` is set then.
void expand_guarded();

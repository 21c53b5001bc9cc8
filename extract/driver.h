// The extraction driver.
#pragma once

#include <windows.h>

#include <stdint.h>

enum { MODE_EXTRACT = 0, MODE_NOTICE = 1 };

// Walks the archive once. Returns 1 when the run ended without failure, else 0.
int run_extraction(HWND owner, int mode);

// Expands the current member into the sink, or copies it when stored, catching the abort
// that a failed read, a bad table, a failed write or Cancel raises (its message shown
// already): `failed` is set then.
void expand_guarded();

// Sets the file's last-write time from a time stamp in seconds since 1970 (UTC).
void apply_member_time(HANDLE file, uint32_t time_stamp);

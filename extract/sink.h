// The output sink, progress reports and the abort by Cancel.
#pragma once

#include <windows.h>

#include <stdint.h>

constexpr UINT PROGRESS_COMMAND = 1100;
// Milliseconds between the reports that move the bar and look at the message queue.
constexpr DWORD REPORT_INTERVAL = 100;

// Writes a block to `output` (and feeds the CRC), or captures it as the notice text when
// `output` is INVALID_HANDLE_VALUE. A failed or short write shows the write error and aborts.
void sink_write(const uint8_t *block, uint32_t length, HANDLE output);

// Sends the percentage to the owner window when it changed, and drains the message queue,
// at most once per REPORT_INTERVAL (the first percentage and 100 at once); then aborts when
// Cancel was pressed.
void report_progress(uint64_t done, uint64_t total);

// Puts up the current member's name (state.member_path) on the status line, now when a
// report would be due, else at the next report that is due or show_pending_status.
void show_member_status();

// Puts up the name that show_member_status left waiting, if any: before a question or an
// error box, so that the status line names the member they are about.
void show_pending_status();

// The configured total original size.
uint64_t configured_total();

// Failures on demand: a disk that fills up, a short write, a close that fails, a chosen
// call of CreateFileA, WriteFile or MoveFileA.
#include "internal.h"

#include <stdint.h>

namespace {
bool writes_limited = false;
uint64_t write_budget = 0;
bool short_write_reports_success = false;
bool close_fails = false;
bool allocation_fails = false;
int calls_made[3];
int call_to_fail[3]; // 0: none
} // namespace

namespace standin {
void fail_next_allocation() {
    allocation_fails = true;
}
void fail_writes_after(uint64_t bytes, bool short_write) {
    writes_limited = true;
    write_budget = bytes;
    short_write_reports_success = short_write;
}
void fail_next_close() {
    close_fails = true;
}
void fail_file_call(FileCall call, int nth) {
    call_to_fail[(int)call] = calls_made[(int)call] + nth;
}
int file_calls_made(FileCall call) {
    return calls_made[(int)call];
}
} // namespace standin

void standin_reset_failures() {
    allocation_fails = false;
    writes_limited = false;
    close_fails = false;
    for (int i = 0; i < 3; i++)
        calls_made[i] = call_to_fail[i] = 0;
}

bool standin_file_call_fails(standin::FileCall call) {
    int i = (int)call;
    if (++calls_made[i] != call_to_fail[i])
        return false;
    call_to_fail[i] = 0;
    standin::set_last_error(ERROR_ACCESS_DENIED);
    return true;
}

DWORD standin_write_allowance(DWORD wanted) {
    if (!writes_limited)
        return wanted;
    DWORD allowed = write_budget < wanted ? (DWORD)write_budget : wanted;
    write_budget -= allowed;
    return allowed;
}

BOOL standin_short_write_succeeds() {
    return short_write_reports_success;
}

bool standin_close_fails() {
    bool fails = close_fails;
    close_fails = false;
    return fails;
}

bool standin_allocation_fails() {
    bool fails = allocation_fails;
    allocation_fails = false;
    return fails;
}

// The output sink: blocks to the output file (or the notice text), progress and Cancel.
#include "extract/sink.h"
#include "archive/crc16.h"
#include "resource.h"
#include "process/abort.h"
#include "process/messages.h"
#include "process/state.h"

void sink_write(const uint8_t *block, uint32_t length, HANDLE output) {
    if (output != INVALID_HANDLE_VALUE) {
        DWORD written;
        if (!WriteFile(output, block, length, &written, nullptr) || written < length) {
            show_pending_status();
            report_file_error(fetch_string(IDS_WRITE_ERROR), state.output_path);
            raise_abort();
        }
        crc16_feed(block, (int32_t)length);
        return;
    }
    // Notice mode: the first block, up to its first zero byte and at most 1023 characters.
    if (state.notice_captured)
        return;
    int limit = length < (uint32_t)TEXT_BUFFER_SIZE ? (int)length + 1 : TEXT_BUFFER_SIZE;
    lstrcpynA(state.text_buffer, (const char *)block, limit);
    state.notice_captured = 1;
}

static void drain_message_queue(HWND window) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// Under a slow window system each bar move and each look at the message queue costs far
// more than decoding a window, so a report does both at most once per REPORT_INTERVAL
// milliseconds: a bar that would move meanwhile waits for the next report that is due, and
// a report that would leave it where it is sends nothing. The run's first report and the
// one that reaches 100 are sent at once: the bar starts at once and shows the end.
// Every report still turns a Cancel that a drain has seen into the abort, so a Cancel
// lands at most one interval and one block after it was pressed.
void report_progress(uint64_t done, uint64_t total) {
    uint64_t percent = total == 0 ? 0 : done * 100 / total;
    if (percent > 100)
        percent = 100;
    DWORD now = GetTickCount();
    bool due = now - state.drained_at >= REPORT_INTERVAL;
    bool moves = percent + 1 != state.progress_shown;
    if (moves && (due || state.progress_shown == 0 || percent == 100)) {
        state.progress_shown = (uint8_t)(percent + 1);
        SendMessageA(state.owner_window, WM_COMMAND, PROGRESS_COMMAND, (LPARAM)percent);
        due = true;
    }
    if (due) {
        state.drained_at = now;
        show_pending_status();
        drain_message_queue(state.owner_window);
    }
    if (state.cancel_requested == 1)
        raise_abort();
}

// Setting the status line costs more than extracting a small member under a slow window
// system, and the control repaints only when the queue is drained anyway. So the line keeps
// the reports' pace: a name that a later member's replaces within one interval is never
// put up, and a member that lasts longer is named within an interval of its start.
void show_member_status() {
    state.status_pending = 1;
    if (GetTickCount() - state.drained_at >= REPORT_INTERVAL)
        show_pending_status();
}

void show_pending_status() {
    if (!state.status_pending)
        return;
    state.status_pending = 0;
    wsprintfA(state.text_buffer, fetch_string(IDS_EXTRACTING), state.member_path);
    SetWindowTextA(state.status_line, state.text_buffer);
}

uint64_t configured_total() {
    return (uint64_t)state.config.total_size_high << 32 | state.config.total_size_low;
}

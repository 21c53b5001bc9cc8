// The output sink: blocks to the output file (or the notice text), progress and Cancel.
#include "extract/sink.h"
#include "archive/crc16.h"
#include "resource.h"
#include "process/abort.h"
#include "process/messages.h"
#include "process/state.h"

namespace {

constexpr DWORD DRAIN_INTERVAL = 100;

} // namespace

void sink_write(const uint8_t *block, uint32_t length, HANDLE output) {
    if (output != INVALID_HANDLE_VALUE) {
        DWORD written;
        if (!WriteFile(output, block, length, &written, nullptr) || written < length) {
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

// A report that would leave the bar where it is sends nothing, and looks at the message
// queue only when DRAIN_INTERVAL milliseconds have passed since the last look: under a
// slow window system each call costs far more than decoding a window. A bar that moves is
// always sent and drained, so the bar shows every percentage it did, and a Cancel pressed
// meanwhile still aborts at the first report after the block in hand was written.
void report_progress(uint64_t done, uint64_t total) {
    uint64_t percent = total == 0 ? 0 : done * 100 / total;
    if (percent > 100)
        percent = 100;
    DWORD now = GetTickCount();
    bool moves = percent + 1 != state.progress_shown;
    if (moves) {
        state.progress_shown = (uint8_t)(percent + 1);
        SendMessageA(state.owner_window, WM_COMMAND, PROGRESS_COMMAND, (LPARAM)percent);
    }
    if (moves || now - state.drained_at >= DRAIN_INTERVAL) {
        state.drained_at = now;
        drain_message_queue(state.owner_window);
    }
    if (state.cancel_requested == 1)
        raise_abort();
}

uint64_t configured_total() {
    return (uint64_t)state.config.total_size_high << 32 | state.config.total_size_low;
}

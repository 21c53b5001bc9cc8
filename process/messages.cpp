// The string table and the one error box.
#include "process/messages.h"
#include "process/state.h"

char *fetch_string(UINT id) {
    LoadStringA(state.instance, id, state.string_buffer, STRING_BUFFER_SIZE);
    return state.string_buffer;
}

// The longest text, quotes and space included, is 2 + 515 + 1 + 127 bytes: it always
// fits the 1024-byte text buffer.
int report_file_error(const char *message, const char *file) {
    wsprintfA(state.text_buffer, "\"%s\" %s", file, message);
    return MessageBoxA(state.owner_window, state.text_buffer, state.config.title, MB_ICONERROR);
}

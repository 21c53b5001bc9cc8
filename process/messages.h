// The string table and the one error box.
#pragma once

#include <windows.h>

// Loads string `id` into the one 128-byte string buffer and returns it; each call
// overwrites the text of the previous one.
char *fetch_string(UINT id);

// Shows "\"file\" message" under the configured title with the error icon, owned by the
// current extraction run's window.
int report_file_error(const char *message, const char *file);

// Shared between the stand-in's own files.
#pragma once

#include "standin.h"

#include <string>

namespace standin {

void set_last_error(DWORD error);
void set_error_from_errno();

// Each file's part of reset().
void reset_files();
void reset_system();
void reset_dialogs();

} // namespace standin

// Attribute bits the host cannot hold, kept beside the files (attributes.cpp).
void standin_forget_attributes(const std::string &host_path);
void standin_move_attributes(const std::string &from, const std::string &to);

// Failure injection (failures.cpp): how many of `wanted` bytes the next write may take,
// whether a short write reports success, whether the next close fails.
DWORD standin_write_allowance(DWORD wanted);
BOOL standin_short_write_succeeds();
bool standin_close_fails();
// Counts a call of `call`; true when it is the one a test asked to fail.
bool standin_file_call_fails(standin::FileCall call);

// The host descriptor behind a file handle (files.cpp).
int standin_descriptor(HANDLE file);

void standin_reset_failures();
void standin_reset_attributes();
const std::string &standin_current_directory();
// Whether the next LocalAlloc fails (messages.cpp keeps the setting with the scripted user).
bool standin_allocation_fails();
namespace standin {
void reset_messages();
}
// A loaded system module by name (shell32), or nullptr (windows_shell.cpp).
HMODULE standin_named_module(LPCSTR name);

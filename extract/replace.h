// Where a member's file is written.
//
// A member that replaces an existing file is written under a temporary name in the same
// folder (state.replace_path) and put in place only once it is complete and its CRC has
// matched, so a member that fails never touches the file it was to replace, attributes
// included. A new file, a read-only file met under overwrite-all and an existing directory
// are opened under their own name: the first is deleted when it fails, the other two fail
// to open.
#pragma once

#include <windows.h>

// Creates state.output_handle for the member at state.output_path when nothing has that
// name. Returns false, with nothing created, when that fails for any reason.
bool open_new_output();

// Opens state.output_handle for the member at state.output_path, whose attributes the
// caller has just asked for (`existing`). A read-only file is replaced only when `agreed`
// (the user said yes to replacing it); otherwise it fails to open. Returns false when
// nothing could be opened (the caller reports the write error).
bool open_output(bool agreed, DWORD existing);

// Closes and deletes what was written for a member that failed.
void discard_output();

// Deletes what was written (its handle already closed).
void delete_written_file();

// Puts a finished replacement in place of the existing file. Returns false, with the
// existing file kept, when that cannot be done.
bool commit_output();

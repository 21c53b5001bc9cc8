// The archive appended to the program's own file: the one way into it for the extraction
// driver and for every tool that walks it with the program's reader.
#pragma once

// Opens state.own_path as state.archive_handle, standing at state.config.archive_offset,
// with the CRC table built and no member header held. Returns 1; or 0 with the read error
// (no file) or the damaged-archive message (no such offset) shown and nothing left open.
int open_archive();

// Closes state.archive_handle and frees the member header still held.
void close_archive();

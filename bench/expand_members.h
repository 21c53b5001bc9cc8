// The member loop both decode benchmarks run, through the program's own header reader,
// decoder and sink: every member of the archive open in state.archive_handle expanded into
// state.output_path (a null device), its CRC checked. Returns the number of members that did
// not come out intact, or -1 when the archive cannot be read through.
#pragma once

#include "archive/header.h"
#include "decode/expand.h"
#include "extract/driver.h"
#include "process/state.h"

#include <stdio.h>

inline int expand_members() {
    int bad = 0;
    for (;;) {
        int result = read_member_header();
        if (result == HEADER_END)
            return bad;
        if (result == HEADER_FAILED)
            return -1;
        if (state.header[HEADER_METHOD_LETTER] != METHOD_DIRECTORY) {
            state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            expand_guarded();
            if (state.failed)
                return -1;
            CloseHandle(state.output_handle);
            if (!member_intact(read_u16(state.header + HEADER_DATA_CRC))) {
                fprintf(stderr, "CRC error: %s\n", state.member_path);
                bad++;
            }
        }
        release_header();
    }
}

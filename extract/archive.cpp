// Opening and closing the archive in the program's own file.
#include "extract/archive.h"
#include "archive/crc16.h"
#include "archive/header.h"
#include "process/messages.h"
#include "process/processor.h"
#include "process/state.h"
#include "resource.h"

int open_archive() {
    state.header = nullptr;
    state.archive_handle =
        CreateFileA(state.own_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (state.archive_handle == INVALID_HANDLE_VALUE) {
        report_file_error(fetch_string(IDS_READ_ERROR), state.own_path);
        return 0;
    }
    LONG high = 0;
    if (SetFilePointer(state.archive_handle, (LONG)state.config.archive_offset, &high,
                       FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        CloseHandle(state.archive_handle);
        state.archive_handle = INVALID_HANDLE_VALUE;
        report_file_error(fetch_string(IDS_ARCHIVE_DAMAGED), state.own_path);
        return 0;
    }
    detect_processor();
    crc16_build_table(CRC16_POLY);
    return 1;
}

void close_archive() {
    CloseHandle(state.archive_handle);
    state.archive_handle = INVALID_HANDLE_VALUE;
    release_header();
}

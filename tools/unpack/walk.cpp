// Walking the member headers: the program's reader, then one seek past each member's data.
#include "walk.h"
#include "archive/header.h"
#include "extract/archive.h"
#include "program_messages.h"
#include "resource.h"
#include "terminal.h"
#include "text.h"
#include "process/messages.h"
#include "process/state.h"

#include <string.h>

namespace {

// A failed seek is reported as the driver reports it.
bool seek_to(uint64_t offset) {
    LONG high = (LONG)(offset >> 32);
    DWORD low = SetFilePointer(state.archive_handle, (LONG)(uint32_t)offset, &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        report_file_error(fetch_string(IDS_ARCHIVE_DAMAGED), state.own_path);
        return false;
    }
    return true;
}

Member current_member() {
    const uint8_t *header = state.header;
    Member member;
    member.path = state.member_path;
    memcpy(member.method, header + HEADER_METHOD, 5);
    member.method[5] = 0;
    member.compressed_size = read_u32(header + HEADER_COMPRESSED_SIZE);
    member.original_size = read_u32(header + HEADER_ORIGINAL_SIZE);
    member.time_stamp = read_u32(header + HEADER_TIME_STAMP);
    member.attribute = header[HEADER_ATTRIBUTE];
    member.data_crc = read_u16(header + HEADER_DATA_CRC);
    member.data_offset = state.member_data_offset;
    return member;
}

WalkEnd walk_open_archive(uint64_t file_size, bool quiet_headers,
                          const std::function<bool(const Member &)> &visit) {
    for (;;) {
        mute_program_messages(quiet_headers);
        int result = read_member_header();
        mute_program_messages(false);
        if (result == HEADER_END)
            return WalkEnd::Complete;
        if (result == HEADER_FAILED)
            return WalkEnd::Failed;
        Member member = current_member();
        uint64_t end = member.data_offset + member.compressed_size;
        if (end > file_size)
            return WalkEnd::Truncated;
        bool go_on = visit(member);
        release_header();
        if (!go_on)
            return WalkEnd::Stopped;
        if (!seek_to(end))
            return WalkEnd::Failed;
    }
}

} // namespace

WalkEnd walk_members(uint64_t file_size, bool quiet_headers,
                     const std::function<bool(const Member &)> &visit) {
    state.owner_window = nullptr;
    state.failed = 0;
    if (!open_archive())
        return WalkEnd::Failed;
    WalkEnd end = walk_open_archive(file_size, quiet_headers, visit);
    close_archive();
    return end;
}

void report_truncation(const std::string &file_name) {
    report(file_name + ": " + printable(fetch_string(IDS_ARCHIVE_DAMAGED)) +
           " (damaged archive: member \"" + printable(state.member_path) +
           "\" runs past the end of the file)");
}

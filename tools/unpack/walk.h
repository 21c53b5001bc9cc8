// A walk over the archive's member headers with the program's own header reader.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>

// The member whose header the reader has just accepted (valid during the visit only).
struct Member {
    const char *path; // state.member_path: code page 932, '/' separators
    char method[6];
    uint32_t compressed_size, original_size, time_stamp;
    uint8_t attribute;
    uint16_t data_crc;
    uint64_t data_offset; // where the member's data begins in the file
    bool directory() const { return method[3] == 'd'; }
    bool notice() const { return path[0] == '!' && path[1] == 0; }
};

enum class WalkEnd {
    Complete,  // the end of the archive was reached
    Failed,    // the reader refused a header (its message has been shown unless muted)
    Truncated, // a member's data runs past the end of the file (nothing shown)
    Stopped,   // the visitor asked to stop
};

// Visits every member in archive order; the visitor returns false to stop. The archive
// is positioned past each member's data afterwards, whatever the visitor read. With
// `quiet_headers` the reader's messages are muted.
WalkEnd walk_members(uint64_t file_size, bool quiet_headers,
                     const std::function<bool(const Member &)> &visit);

// Reports, for `file_name`, the member whose data a walk found running past the end of the
// file (the walk's last member: state.member_path still names it).
void report_truncation(const std::string &file_name);

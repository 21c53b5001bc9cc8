// The extraction driver: one walk of the appended archive, in notice or extract mode.
#include "extract/driver.h"
#include "archive/header.h"
#include "decode/expand.h"
#include "extract/archive.h"
#include "extract/paths.h"
#include "extract/replace.h"
#include "extract/sink.h"
#include "macros/macros.h"
#include "resource.h"
#include "process/abort.h"
#include "process/messages.h"
#include "process/state.h"
#include "ui/dialogs.h"

#include <time.h>

namespace {

const uint8_t *header_field(uint32_t offset) {
    return state.header + offset;
}
uint32_t header_u32(uint32_t offset) {
    return read_u32(header_field(offset));
}

// The abort is caught in two places: member expansion (expand_guarded, below), and the
// progress report made for a member the user chose not to overwrite. Each runs in its own
// frame, which stays live while the guarded call runs.
__attribute__((noinline)) void report_guarded() {
    if (ABORT_GUARD())
        report_progress(state.bytes_done, configured_total());
    else
        state.failed = 1;
}

void fail_with(UINT message, const char *file) {
    show_pending_status();
    report_file_error(fetch_string(message), file);
    state.failed = 1;
}

bool is_notice_member() {
    return state.member_path[0] == '!' && state.member_path[1] == 0;
}

// The notice member: its first block, captured as text, asked as a yes/no question.
void show_notice() {
    state.output_handle = INVALID_HANDLE_VALUE;
    state.notice_captured = 0;
    state.text_buffer[0] = 0; // an empty member shows an empty text, not what was here before
    expand_guarded();
    if (state.failed)
        return;
    if (MessageBoxA(state.owner_window, state.text_buffer, state.config.title,
                    MB_ICONQUESTION | MB_YESNO) == IDNO)
        state.failed = 1;
}

// A directory member: the directory itself is created as the parent of its trailing
// separator; restored attributes go to the path without it, when that is a folder (a file
// of that name keeps its own).
void make_directory() {
    char *path = state.output_path;
    int length = lstrlenA(path);
    if (length > 0 && path[length - 1] != '/' && length + 1 < OUTPUT_PATH_SIZE) {
        path[length] = '/';
        path[++length] = 0;
    }
    create_parent_directories(path);
    if (state.config.flags & SFX_RESTORE_ATTRIBUTES) {
        path[length - 1] = 0;
        DWORD existing = GetFileAttributesA(path);
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesA(path, state.header[HEADER_ATTRIBUTE]);
    }
}

enum { MEMBER_WRITE, MEMBER_REPLACE, MEMBER_SKIP, MEMBER_STOP };

// Asks before replacing an existing file, unless overwrite-all is in force. Returns
// whether to write the member (MEMBER_REPLACE: the user agreed to replace the file, even
// a read-only one), pass it over, or stop the run.
int apply_overwrite_policy(int &overwrite_all, DWORD existing) {
    if (overwrite_all || existing == INVALID_FILE_ATTRIBUTES)
        return MEMBER_WRITE;
    show_pending_status();
    switch (ask_overwrite()) {
    case IDCANCEL:
        state.failed = 1;
        return MEMBER_STOP;
    case IDNO:
        return MEMBER_SKIP;
    case IDC_OVERWRITE_ALL:
        overwrite_all = 1;
        break;
    default:
        break;
    }
    return MEMBER_REPLACE;
}

// Sets the file's last-write time from a time stamp in seconds since 1970 (UTC).
void apply_member_time(HANDLE file, uint32_t time_stamp) {
    time_t seconds = (time_t)time_stamp;
    struct tm *local = localtime(&seconds);
    if (!local)
        return;
    SYSTEMTIME fields = {};
    fields.wYear = (WORD)(local->tm_year + 1900);
    fields.wMonth = (WORD)(local->tm_mon + 1);
    fields.wDay = (WORD)local->tm_mday;
    fields.wHour = (WORD)local->tm_hour;
    fields.wMinute = (WORD)local->tm_min;
    fields.wSecond = (WORD)local->tm_sec;
    FILETIME local_time, utc_time;
    if (SystemTimeToFileTime(&fields, &local_time) &&
        LocalFileTimeToFileTime(&local_time, &utc_time))
        SetFileTime(file, nullptr, nullptr, &utc_time);
}

// Opens the member's output. A name that is free is created at once: one lookup of the
// name, where looking first and creating then takes two, each a scan of the folder on some
// systems. When that fails, for whatever reason, the name is looked at and the overwrite
// policy applies as before any creation. Returns MEMBER_WRITE when the output is open, and
// otherwise whether to pass the member over or stop the run.
int open_member_output(int &overwrite_all) {
    if (open_new_output())
        return MEMBER_WRITE;
    DWORD existing = GetFileAttributesA(state.output_path);
    int policy = apply_overwrite_policy(overwrite_all, existing);
    if (policy == MEMBER_STOP || policy == MEMBER_SKIP)
        return policy;
    if (policy == MEMBER_REPLACE)
        existing = GetFileAttributesA(state.output_path); // the question took its time
    if (!open_output(policy == MEMBER_REPLACE, existing)) {
        fail_with(IDS_WRITE_ERROR, state.output_path);
        return MEMBER_STOP;
    }
    return MEMBER_WRITE;
}

// Writes one file member. Returns false when the run has to stop.
bool extract_file(int &overwrite_all) {
    switch (open_member_output(overwrite_all)) {
    case MEMBER_STOP:
        return false;
    case MEMBER_SKIP:
        state.bytes_done += header_u32(HEADER_ORIGINAL_SIZE);
        report_guarded();
        return !state.failed;
    default:
        break;
    }
    expand_guarded();
    if (state.failed) {
        discard_output();
        return false;
    }
    apply_member_time(state.output_handle, header_u32(HEADER_TIME_STAMP));
    if (!CloseHandle(state.output_handle)) {
        state.output_handle = INVALID_HANDLE_VALUE;
        delete_written_file();
        fail_with(IDS_WRITE_ERROR, state.output_path);
        return false;
    }
    state.output_handle = INVALID_HANDLE_VALUE;
    if (!member_intact(read_u16(header_field(HEADER_DATA_CRC)))) {
        delete_written_file();
        fail_with(IDS_CRC_ERROR, state.output_path);
        return false;
    }
    if (!commit_output()) {
        fail_with(IDS_WRITE_ERROR, state.output_path);
        return false;
    }
    if (state.config.flags & SFX_RESTORE_ATTRIBUTES)
        SetFileAttributesA(state.output_path, state.header[HEADER_ATTRIBUTE]);
    return true;
}

// One member of an extract-mode run. Returns false when the run has to stop. The run then
// goes on at the end of the member's data, wherever expansion left the archive.
bool extract_member(int &overwrite_all) {
    if (is_notice_member())
        return true;
    if (!build_output_path()) {
        fail_with(IDS_BAD_HEADER, state.own_path);
        return false;
    }
    show_member_status();
    if (state.header[HEADER_METHOD_LETTER] == 'd') {
        make_directory();
        return true;
    }
    create_parent_directories(state.output_path);
    return extract_file(overwrite_all);
}

} // namespace

__attribute__((noinline)) void expand_guarded() {
    state.read_index = -1;
    if (ABORT_GUARD()) {
        if (state.header[HEADER_METHOD_LETTER] == '0')
            copy_stored_member(header_u32(HEADER_ORIGINAL_SIZE));
        else
            expand_member();
    } else {
        state.failed = 1;
    }
}

int run_extraction(HWND owner, int mode) {
    state.owner_window = owner;
    // Found once: a lookup by its number walks the owner's children, which under some
    // systems is a request to another process for every member.
    state.status_line = owner ? GetDlgItem(owner, IDC_MESSAGE) : nullptr;
    state.failed = 0;
    state.bytes_done = 0;
    state.progress_shown = 0;
    state.status_pending = 0;
    state.folder_made[0] = 0;
    int overwrite_all = (state.config.flags & SFX_OVERWRITE_WITHOUT_ASKING) ? 1 : 0;

    if (!open_archive())
        return 0;
    query_output_volume();

    while (read_member_header() == HEADER_READY) {
        if (mode == MODE_NOTICE) {
            if (is_notice_member())
                show_notice();
            break;
        }
        if (!extract_member(overwrite_all))
            break;
        if (!seek_past_member()) {
            fail_with(IDS_ARCHIVE_DAMAGED, state.own_path);
            break;
        }
        release_header();
    }

    close_archive();
    if (mode == MODE_EXTRACT && state.config.command[0] && !state.failed)
        run_configured_command();
    return state.failed ? 0 : 1;
}

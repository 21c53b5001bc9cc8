// The checking walk before the program's run.
#include "check.h"
#include "archive/header.h"
#include "decode/expand.h"
#include "exit_codes.h"
#include "extract/driver.h"
#include "extract/paths.h"
#include "resource.h"
#include "stage.h"
#include "standin.h"
#include "process/messages.h"
#include "process/state.h"
#include "terminal.h"
#include "text.h"
#include "walk.h"

#include <string.h>

namespace {

bool climbs_out(const char *path) {
    for (const char *component = path;;) {
        const char *end = strchr(component, '/');
        size_t length = end ? (size_t)(end - component) : strlen(component);
        if (length == 2 && component[0] == '.' && component[1] == '.')
            return true;
        if (!end)
            return false;
        component = end + 1;
    }
}

// Why the member may not be written; "" when it may. build_output_path() writes the
// output path exactly as the program's run will.
const char *refusal_of(const Member &m) {
    // One leading separator means the root of the destination's drive, which DIR stands
    // for; two would name a server.
    if (m.path[0] == '/' && m.path[1] == '/')
        return "has a server path";
    if (climbs_out(m.path))
        return "climbs out of the destination folder (\"..\")";
    if (!build_output_path())
        return "has a path too long to be written";
    if (!standin::converts_to_utf8(state.output_path + strlen(state.output_root)))
        return "has a name that is not code page 932 text (its bytes are shown as \\xNN) and "
               "cannot become a file name";
    return "";
}

// The program never compares the notice's CRC (it shows the text, or passes the member
// over); a test run does, expanding the member into the null drive.
bool notice_intact(const Input &input, const Member &m) {
    lstrcpynA(state.output_path, "D:\\!", OUTPUT_PATH_SIZE);
    state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    state.failed = 0;
    expand_guarded();
    CloseHandle(state.output_handle);
    state.output_handle = INVALID_HANDLE_VALUE;
    if (state.failed)
        return false;
    if (member_intact(m.data_crc))
        return true;
    report(input.name + ": the notice member \"!\": " + printable(fetch_string(IDS_CRC_ERROR)) +
           " (CRC mismatch: damaged data)");
    return false;
}

} // namespace

int check_members(const Input &input, bool test, Plan &plan) {
    lstrcpynA(state.destination_folder, DESTINATION_ROOT, DESTINATION_SIZE);
    query_output_volume();
    std::string refusal;
    bool notice_damaged = false;
    WalkEnd end = walk_members(input.size, true, [&](const Member &m) {
        if (m.notice() && !m.directory()) {
            notice_damaged = test && !notice_intact(input, m);
            return !notice_damaged;
        }
        const char *why = refusal_of(m);
        if (*why) {
            refusal = "member \"" + printable(m.path) + "\" " + why;
            return false;
        }
        if (m.directory()) {
            plan.directories++;
        } else {
            plan.files++;
            plan.bytes += m.original_size;
        }
        return true;
    });
    if (notice_damaged)
        return EXIT_DAMAGED;
    if (end == WalkEnd::Truncated) {
        report_truncation(input.name);
        return EXIT_DAMAGED;
    }
    if (refusal.empty())
        return -1;
    report(input.name + ": " + refusal + (test ? "" : "; nothing was extracted"));
    return EXIT_DAMAGED;
}

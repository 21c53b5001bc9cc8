// The program's own expansion on Linux: its code runs over the stand-in, which maps the
// archive to drive S: and the output to drive T:, and records the message boxes it shows.
#include "program_host.h"

#include "extract/driver.h"
#include "standin.h"

#include <filesystem>

void program_host_start() {}

void program_host_prepare(const std::string &archive, const std::string &into) {
    standin::map_drive('S', std::filesystem::absolute(archive).string());
    if (into.empty())
        standin::map_null_drive('T');
    else
        standin::map_drive('T', into);
    standin::message_boxes().clear();
}

HANDLE program_host_open_archive(const std::string &) {
    return CreateFileA(state.own_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE program_host_open_output(const std::string &) {
    return CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void program_host_run() {
    expand_guarded();
}

std::string program_host_message() {
    const std::vector<standin::MessageBoxRecord> &boxes = standin::message_boxes();
    return boxes.empty() ? "" : boxes.back().text;
}

// The listing: configuration first (self-extractors), then one line per member.
#include "list.h"
#include "exit_codes.h"
#include "program_messages.h"
#include "resource.h"
#include "stage.h"
#include "process/messages.h"
#include "terminal.h"
#include "text.h"
#include "walk.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {

// A text field of the block as stored: it need not hold a terminator within its width.
std::string field(const char *text, size_t width) {
    return printable(std::string(text, strnlen(text, width)));
}

std::string flag_names(uint32_t flags) {
    std::string names;
    if (flags & SFX_RESTORE_ATTRIBUTES)
        names += ", restore attributes";
    if (flags & SFX_OVERWRITE_WITHOUT_ASKING)
        names += ", overwrite without asking";
    return names.empty() ? "" : " (" + names.substr(2) + ")";
}

void print_configuration(const Input &input) {
    const SfxConfig &c = input.config;
    printf("Self-extractor: %s (archive at offset %u)\n", input.name.c_str(), c.archive_offset);
    printf("  title:   %s\n", field(c.title, sizeof c.title).c_str());
    printf("  label:   %s\n", field(c.label, sizeof c.label).c_str());
    printf("  folder:  %s\n", field(c.folder, sizeof c.folder).c_str());
    printf("  message: %s\n", field(c.message, sizeof c.message).c_str());
    printf("  command: %s\n", field(c.command, sizeof c.command).c_str());
    printf("  flags:   0x%02X%s\n", c.flags & 0xFF, flag_names(c.flags & 0xFF).c_str());
    printf("  elevation: %s\n",
           input.execution_level.empty() ? "(no manifest)" : input.execution_level.c_str());
    printf("  total:   %llu bytes\n\n",
           (unsigned long long)c.total_size_high << 32 | c.total_size_low);
}

std::string ratio(uint64_t packed, uint64_t original) {
    if (original == 0)
        return "     -";
    char text[16];
    snprintf(text, sizeof text, "%5.1f%%", 100.0 * (double)packed / (double)original);
    return text;
}

std::string local_time(uint32_t stamp) {
    time_t seconds = (time_t)stamp;
    struct tm fields;
    char text[32];
    if (!localtime_r(&seconds, &fields) ||
        !strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields))
        return "-------------------";
    return text;
}

const char RULE[] = "---------- ---------- ------ ----- ---- ------------------- ----\n";

struct Sums {
    uint64_t packed = 0, original = 0, files = 0, directories = 0;
};

bool print_member(const Member &m, Sums &sums) {
    printf("%10u %10u %s %s %04X %s %s\n", m.original_size, m.compressed_size,
           ratio(m.compressed_size, m.original_size).c_str(), printable(m.method).c_str(),
           m.data_crc, local_time(m.time_stamp).c_str(), printable(m.path).c_str());
    sums.packed += m.compressed_size;
    sums.original += m.original_size;
    (m.directory() ? sums.directories : sums.files)++;
    return true;
}

} // namespace

int list_archive(const Input &input) {
    if (!stage_program(input, Destination::Unmapped, ""))
        return EXIT_DAMAGED;
    set_display_places(input.name, "");
    answer_message_boxes(nullptr);
    if (input.self_extractor)
        print_configuration(input);
    else
        printf("Archive: %s\n\n", input.name.c_str());
    printf("      Size     Packed  Ratio Method CRC  Modified            Name\n%s", RULE);
    Sums sums;
    WalkEnd end =
        walk_members(input.size, false, [&](const Member &m) { return print_member(m, sums); });
    printf("%s%10llu %10llu %s                                  %llu file%s, %llu folder%s\n", RULE,
           (unsigned long long)sums.original, (unsigned long long)sums.packed,
           ratio(sums.packed, sums.original).c_str(), (unsigned long long)sums.files,
           sums.files == 1 ? "" : "s", (unsigned long long)sums.directories,
           sums.directories == 1 ? "" : "s");
    if (end == WalkEnd::Truncated)
        report_truncation(input.name);
    return end == WalkEnd::Complete ? EXIT_DONE : EXIT_DAMAGED;
}

// The command started after a successful extraction.
#include "macros/macros.h"
#include "process/state.h"
#include "process/text.h"

void expand_environment(const char *source, char *destination) {
    DWORD needed = ExpandEnvironmentStringsA(source, destination, PATH_SIZE);
    if (needed == 0 || needed > PATH_SIZE)
        copy_whole_chars(destination, source, PATH_SIZE);
}

const char *split_command(char *program, const char *command) {
    const char *p = command;
    while (*p == ' ' || *p == '\t')
        p++;
    int n = 0;
    if (*p == '"') {
        p++;
        while (*p && *p != '"')
            program[n++] = *p++;
        if (*p == '"')
            p++;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            program[n++] = *p++;
    }
    program[n] = 0;
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

void run_configured_command() {
    char scratch[PATH_SIZE];
    SfxConfig &config = state.config;
    expand_environment(config.command, scratch);
    expand_path_macros(scratch, state.text_buffer, TEXT_BUFFER_SIZE, state.destination_folder);
    copy_whole_chars(config.command, state.text_buffer, sizeof config.command);
    const char *arguments = split_command(state.text_buffer, config.command);
    ShellExecuteA(state.owner_window, nullptr, state.text_buffer, *arguments ? arguments : nullptr,
                  state.destination_folder, SW_SHOW);
}

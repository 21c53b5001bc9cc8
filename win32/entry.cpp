// The process entry point of the Windows build.
//
// The stub links no C runtime, so nothing runs before stub_start: no static constructors,
// no atexit list, no heap set-up. It hands WinMain what a runtime start-up would and ends
// the process with WinMain's result.
#include <windows.h>

// Skips the program name at the start of the command line the way the system's own parser
// does: a quoted name ends at the closing quote, an unquoted one at the first blank; the
// blanks before the arguments go too. Quote, space and tab never occur as the trail byte of
// a double-byte character, so scanning byte by byte is safe.
static char *skip_program_name(char *line) {
    if (*line == '"') {
        ++line;
        while (*line != '\0' && *line != '"')
            ++line;
        if (*line == '"')
            ++line;
    } else {
        while (*line != '\0' && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

// Named as the entry point in cmake/windows.cmake. The system enters with the stack only
// four-byte aligned, hence the realignment.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void stub_start() {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(
        WinMain(GetModuleHandleA(nullptr), nullptr, skip_program_name(GetCommandLineA()), show));
}

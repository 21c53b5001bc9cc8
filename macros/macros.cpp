// Path macro expansion.
#include "macros/macros.h"
#include "process/state.h"
#include "process/text.h"

namespace {

struct PathMacro {
    const char *text;
    int length;
};

const PathMacro path_macros[] = {
    {"%ExtractDir%", 12},     {"%SystemDir%", 11}, {"%ProgramFilesDir%", 17},
    {"%CommonFilesDir%", 16}, {"%TEMP%", 6},       {nullptr, 0},
};

enum { MACRO_EXTRACT_DIR, MACRO_SYSTEM_DIR, MACRO_PROGRAM_FILES, MACRO_COMMON_FILES, MACRO_TEMP };

// A folder query that answers with the length written (below `size` when it fitted);
// anything else keeps the macro text in the buffer.
void keep_if_fitted(char *buffer, DWORD result, const char *macro) {
    if (result == 0 || result >= PATH_SIZE)
        copy_whole_chars(buffer, macro, PATH_SIZE);
}

// Fills a 260-byte buffer with the registry's "ProgramFilesDir" (selector 0) or
// "CommonFilesDir" (1); the macro text itself when the value cannot be had whole.
void read_shell_folder(char *buffer, int selector) {
    const char *macro = path_macros[selector ? MACRO_COMMON_FILES : MACRO_PROGRAM_FILES].text;
    copy_whole_chars(buffer, macro, PATH_SIZE);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD size = PATH_SIZE;
    const char *name = selector ? "CommonFilesDir" : "ProgramFilesDir";
    if (RegQueryValueExA(key, name, nullptr, nullptr, (BYTE *)buffer, &size) != ERROR_SUCCESS)
        copy_whole_chars(buffer, macro, PATH_SIZE);
    buffer[PATH_SIZE - 1] = 0;
    RegCloseKey(key);
}

void produce_replacement(int index, char *buffer, const char *extract_folder) {
    switch (index) {
    case MACRO_EXTRACT_DIR:
        copy_whole_chars(buffer, extract_folder, PATH_SIZE);
        break;
    case MACRO_SYSTEM_DIR:
        keep_if_fitted(buffer, GetSystemDirectoryA(buffer, PATH_SIZE), path_macros[index].text);
        break;
    case MACRO_PROGRAM_FILES:
        read_shell_folder(buffer, 0);
        break;
    case MACRO_COMMON_FILES:
        read_shell_folder(buffer, 1);
        break;
    default:
        keep_if_fitted(buffer, GetTempPathA(PATH_SIZE, buffer), path_macros[index].text);
        break;
    }
}

// The macro the text at `at` begins with, or -1. Each comparison stops at the first byte
// that differs; no macro holds a zero byte, so none reads past the source's terminator.
int match_macro(const char *at) {
    for (int i = 0; path_macros[i].text; i++) {
        const char *macro = path_macros[i].text;
        int k = 0;
        while (macro[k] && at[k] == macro[k])
            k++;
        if (!macro[k])
            return i;
    }
    return -1;
}

} // namespace

char *expand_path_macros(const char *source, char *destination, int size,
                         const char *extract_folder) {
    char replacement[PATH_SIZE];
    int n = 0;
    const char *p = source;
    while (*p) {
        int index = *p == '%' ? match_macro(p) : -1;
        const char *piece = p;
        int piece_length = 1;
        if (index > 0 || (index == 0 && extract_folder)) {
            produce_replacement(index, replacement, extract_folder);
            piece = replacement;
            piece_length = lstrlenA(replacement);
            p += path_macros[index].length;
        } else {
            piece_length = IsDBCSLeadByte((BYTE)*p) && p[1] ? 2 : 1;
            p += piece_length;
        }
        for (int i = 0; i < piece_length;) {
            int width = IsDBCSLeadByte((BYTE)piece[i]) && i + 1 < piece_length ? 2 : 1;
            if (n + width > size - 1) {
                destination[n] = 0;
                return destination + n;
            }
            for (int k = 0; k < width; k++)
                destination[n++] = piece[i++];
        }
    }
    destination[n] = 0;
    return destination + n;
}

/* The command that the Wine tests pack into a self-extractor: a console program that proves
   it was started, and where, by writing marker.txt into its current directory. The file holds
   two lines: the current directory and the argument text after the program name. */
#include <windows.h>

/* The command line without the program name, quoted or not, and the blanks after it. */
static const char *arguments(const char *line) {
    if (*line == '"') {
        for (line++; *line && *line != '"'; line++) {
        }
        if (*line == '"')
            line++;
    } else {
        while (*line && *line != ' ' && *line != '\t')
            line++;
    }
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

int main(void) {
    char text[1024];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, text);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    lstrcatA(text, "\r\n");
    lstrcpynA(text + lstrlenA(text), arguments(GetCommandLineA()), 512);
    lstrcatA(text, "\r\n");

    HANDLE file = CreateFileA("marker.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
    CloseHandle(file);
    return ok && written == (DWORD)lstrlenA(text) ? 0 : 4;
}

// kolvane-make's entry point on Windows, and where it finds its stub.
#include "platform.h"
#include "wide.h"

#include <cstdio>
#include <vector>

namespace {

UINT console_code_page = 0; // the console's output code page before this program ran

BOOL WINAPI restore_console(DWORD) {
    if (console_code_page)
        SetConsoleOutputCP(console_code_page);
    return FALSE; // what happens next is up to the other handlers
}

} // namespace

// The command line comes as UTF-16 and goes on as UTF-8. The console shows this program's
// UTF-8 output as such until it ends, however it ends; output to a file or pipe is UTF-8,
// as on every system.
int wmain(int argc, wchar_t **argv) {
    std::vector<std::string> arguments(argc);
    for (int i = 0; i < argc; i++)
        arguments[i] = utf8(argv[i]);
    std::vector<char *> pointers;
    for (std::string &argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    console_code_page = GetConsoleOutputCP();
    if (console_code_page) {
        SetConsoleCtrlHandler(restore_console, TRUE);
        SetConsoleOutputCP(CP_UTF8);
    }
    int code = kolvane_make(argc, pointers.data());
    fflush(stdout);
    fflush(stderr);
    restore_console(0);
    return code;
}

// kolvane95.exe beside this program.
std::string platform::default_stub() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length;
    while ((length = GetModuleFileNameW(nullptr, path.data(), (DWORD)path.size())) == path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    size_t separator = path.find_last_of(L"\\/");
    path.resize(separator == std::wstring::npos ? 0 : separator + 1);
    return utf8(path) + "kolvane95.exe";
}

// The program's own expansion on Windows: its code runs here on the real system, reading
// the archive and writing the scratch file through handles opened for it. A failure that
// the program would show in a message box is kept from the screen: no window may be made
// on this thread while it runs, and the text it prepared for the box is reported instead.
#include "program_host.h"
#include "wide.h"

#include "extract/driver.h"

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

LRESULT CALLBACK no_windows(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND)
        return 1; // refused: the message box returns at once
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

} // namespace

void program_host_start() {
    state.instance = GetModuleHandleW(nullptr); // the string table is linked in
}

void program_host_prepare(const std::string &, const std::string &) {
    state.text_buffer[0] = 0;
}

HANDLE program_host_open_archive(const std::string &archive) {
    return CreateFileW(wide(archive).c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE program_host_open_output(const std::string &into) {
    return CreateFileW(into.empty() ? L"NUL" : wide(into).c_str(), GENERIC_WRITE, SHARE_ALL,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void program_host_run() {
    HHOOK hook = SetWindowsHookExW(WH_CBT, no_windows, nullptr, GetCurrentThreadId());
    expand_guarded();
    if (hook)
        UnhookWindowsHookEx(hook);
}

std::string program_host_message() {
    return state.text_buffer;
}

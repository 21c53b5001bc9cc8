/* Throwaway Win32 program that the harness self-test drives under Wine.
 *
 * Built at test time with -fexec-charset=CP932, so every string below reaches
 * the ANSI API as Shift_JIS, like the texts of the real program.
 *
 *   probe.exe                message box "日本語のテスト\nC:\dest" titled "試験";
 *                            exit code 7 once it is closed
 *   probe.exe version FILE   writes GetVersion() as 8 hex digits to FILE; exit code 0
 *   probe.exe type FILE      window "入力テスト" with an edit field and a large OK
 *                            button; OK writes the edit text (ANSI bytes) to FILE;
 *                            exit code 0
 *
 * Any failure to write FILE ends the program with exit code 3.
 */
#include <windows.h>

/* Child control ids and the OK button rectangle (client coordinates, which the
 * self-test clicks into). */
enum { ID_EDIT = 100, ID_OK = 101 };
enum { OK_X = 10, OK_Y = 50, OK_W = 200, OK_H = 60 };

static const char *g_out_path;

static BOOL write_file(const char *path, const char *data, DWORD size) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    BOOL ok;
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    ok = WriteFile(file, data, size, &written, NULL) && written == size;
    return CloseHandle(file) && ok;
}

/* "MODE REST": splits off the mode word; REST loses surrounding quotes. */
static char *split_argument(char *cmd) {
    char *rest = cmd;
    size_t len;
    while (*rest && *rest != ' ')
        rest++;
    if (!*rest)
        return rest;
    *rest++ = '\0';
    while (*rest == ' ')
        rest++;
    len = lstrlenA(rest);
    if (len >= 2 && rest[0] == '"' && rest[len - 1] == '"') {
        rest[len - 1] = '\0';
        rest++;
    }
    return rest;
}

static int report_version(const char *path) {
    char text[16];
    int len = wsprintfA(text, "%08lX", (unsigned long)GetVersion());
    return write_file(path, text, (DWORD)len) ? 0 : 3;
}

static LRESULT CALLBACK input_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 400,
                      24, wnd, (HMENU)ID_EDIT, NULL, NULL);
        CreateWindowA("BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, OK_X, OK_Y, OK_W, OK_H,
                      wnd, (HMENU)ID_OK, NULL, NULL);
        return 0;
    case WM_SETFOCUS:
        /* Keys typed into the top-level window belong in the edit field. */
        SetFocus(GetDlgItem(wnd, ID_EDIT));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == ID_OK) {
            char text[512];
            int len = GetDlgItemTextA(wnd, ID_EDIT, text, sizeof text);
            PostQuitMessage(write_file(g_out_path, text, (DWORD)len) ? 0 : 3);
        }
        return 0;
    case WM_CLOSE:
        PostQuitMessage(3);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

static int run_input_window(HINSTANCE inst, const char *path) {
    WNDCLASSA cls = {0};
    MSG msg;
    g_out_path = path;
    cls.lpfnWndProc = input_proc;
    cls.hInstance = inst;
    cls.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    cls.lpszClassName = "KolvaneProbe";
    if (!RegisterClassA(&cls))
        return 3;
    if (!CreateWindowA("KolvaneProbe", "入力テスト", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                       440, 160, NULL, NULL, inst, NULL))
        return 3;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
    char *arg;
    (void)prev;
    (void)show;
    arg = split_argument(cmd);
    if (lstrcmpA(cmd, "version") == 0)
        return report_version(arg);
    if (lstrcmpA(cmd, "type") == 0)
        return run_input_window(inst, arg);
    MessageBoxA(NULL, "日本語のテスト\nC:\\dest", "試験", MB_OK);
    return 7;
}

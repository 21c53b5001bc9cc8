/* Lists what the visible top-level windows of the Wine session show, so that the Wine tests
   can read dialog texts the way a user reads them:

       wintext.exe OUT

   OUT receives UTF-8 lines, fields separated by tabs:
       W  window   class  title                 one per visible top-level window
       C  window   id     class  visible  enabled  text   one per child control of it
   "window" is the top-level window's handle in hex; visible and enabled are 1 or 0. A
   control's text comes from WM_GETTEXT (answered by the owning program), "?" when it does
   not answer within 3 s; a progress bar's text is its position (PBM_GETPOS).
   Tabs, CR, LF and backslashes in texts are written as \t, \r, \n and \\. */
#include <windows.h>
#include <commctrl.h>

static HANDLE out;

static void put_utf8(const WCHAR *text) {
    char bytes[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    DWORD written;
    if (length > 1)
        WriteFile(out, bytes, (DWORD)length - 1, &written, NULL);
}

/* Writes a tab and TEXT with its tabs, line ends and backslashes escaped. */
static void put_field(const WCHAR *text) {
    WCHAR escaped[2 * 1024 + 2] = L"\t";
    int at = 1;
    for (; *text && at < 2 * 1024; text++) {
        WCHAR c = *text;
        if (c == L'\t' || c == L'\r' || c == L'\n' || c == L'\\') {
            escaped[at++] = L'\\';
            c = c == L'\t' ? L't' : c == L'\r' ? L'r' : c == L'\n' ? L'n' : L'\\';
        }
        escaped[at++] = c;
    }
    escaped[at] = 0;
    put_utf8(escaped);
}

static void put_hex(HWND window) {
    WCHAR number[16];
    wsprintfW(number, L"\t%x", (unsigned)(UINT_PTR)window);
    put_utf8(number);
}

static BOOL CALLBACK list_control(HWND control, LPARAM top) {
    WCHAR class_name[64], text[1024], number[16];
    DWORD_PTR length = 0;
    GetClassNameW(control, class_name, 64);
    if (lstrcmpiW(class_name, L"msctls_progress32") == 0) {
        if (SendMessageTimeoutW(control, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 3000, &length))
            wsprintfW(text, L"%u", (unsigned)length);
        else
            lstrcpyW(text, L"?");
    } else if (SendMessageTimeoutW(control, WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 3000,
                                   &length)) {
        text[length < 1024 ? length : 1023] = 0;
    } else {
        lstrcpyW(text, L"?");
    }
    put_utf8(L"C");
    put_hex((HWND)top);
    wsprintfW(number, L"%d", GetDlgCtrlID(control));
    put_field(number);
    put_field(class_name);
    put_field(IsWindowVisible(control) ? L"1" : L"0");
    put_field(IsWindowEnabled(control) ? L"1" : L"0");
    put_field(text);
    put_utf8(L"\n");
    return TRUE;
}

static BOOL CALLBACK list_window(HWND window, LPARAM unused) {
    WCHAR class_name[64], title[256];
    (void)unused;
    if (!IsWindowVisible(window))
        return TRUE;
    GetClassNameW(window, class_name, 64);
    GetWindowTextW(window, title, 256);
    put_utf8(L"W");
    put_hex(window);
    put_field(class_name);
    put_field(title);
    put_utf8(L"\n");
    EnumChildWindows(window, list_control, (LPARAM)window);
    return TRUE;
}

int main(int argc, char **argv) {
    if (argc != 2)
        return 2;
    out = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return 3;
    EnumWindows(list_window, 0);
    CloseHandle(out);
    return 0;
}

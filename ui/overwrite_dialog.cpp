// The overwrite confirmation dialog, and centring a window on the screen.
#include "resource.h"
#include "process/state.h"
#include "ui/dialogs.h"

void center_window(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    MoveWindow(window, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, FALSE);
}

static INT_PTR CALLBACK overwrite_dialog_proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, state.config.title);
        SetDlgItemTextA(dialog, IDC_OVERWRITE_PATH, state.output_path);
        SendDlgItemMessageA(dialog, IDC_OVERWRITE_ICON, STM_SETICON,
                            (WPARAM)LoadIconA(nullptr, IDI_QUESTION), 0);
        center_window(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDCANCEL:
        case IDC_OVERWRITE_ALL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int ask_overwrite() {
    return (int)DialogBoxParamA(state.instance, MAKEINTRESOURCE(IDD_OVERWRITE), state.owner_window,
                                overwrite_dialog_proc, 0);
}

// The main dialog: the destination folder, then the whole extraction inside its OK handler.
#include <windows.h>

#include <commctrl.h>

#include "extract/driver.h"
#include "resource.h"
#include "process/config.h"
#include "process/messages.h"
#include "process/state.h"
#include "ui/dialogs.h"

void unquote(char *destination, const char *source) {
    while (*source == ' ' || *source == '\t')
        ++source;
    if (*source == '"') {
        ++source;
        while (*source && *source != '"')
            *destination++ = *source++;
        *destination = 0;
    } else {
        lstrcpyA(destination, source);
    }
}

// A full path begins with two backslashes or with a drive letter, ':' and '\'. The drive
// letter itself is not examined, but it must be there: bytes past the terminator are left
// over from an earlier folder, so an empty text is refused before they are looked at.
static bool is_full_path(const char *folder) {
    if (folder[0] == '\\' && folder[1] == '\\')
        return true;
    return folder[0] && folder[1] == ':' && folder[2] == '\\';
}

static void refuse_folder(HWND dialog) {
    char caption[STRING_BUFFER_SIZE];
    LoadStringA(state.instance, IDS_PROGRAM_NAME, caption, sizeof caption);
    MessageBoxA(dialog, fetch_string(IDS_FULL_PATH), caption, MB_ICONERROR);
}

// The run works inside this call. Its progress reports drain the message queue, so the
// dialog procedure is re-entered meanwhile; only Cancel, the progress command and painting
// can reach it, because OK, Browse and the edit control stay disabled until the end.
static void extract_into_folder(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_BROWSE), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_FOLDER), FALSE);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    SetFocus(cancel);
    SendMessageA(cancel, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    state.dialog_busy = 1;
    run_extraction(dialog, MODE_EXTRACT);
    EndDialog(dialog, 1);
}

// A chosen folder that the edit control could not hold whole (255 bytes) is dropped
// rather than cut: a cut path would name another folder.
static void browse_for_folder(HWND dialog) {
    if (!choose_folder(dialog, state.output_path))
        return;
    int length = lstrlenA(state.output_path);
    if (length == 0 || length >= DESTINATION_SIZE)
        return;
    quote_if_spaced(state.output_path, state.text_buffer, DESTINATION_SIZE);
    SetDlgItemTextA(dialog, IDC_FOLDER, state.text_buffer);
}

static void init_main_dialog(HWND dialog) {
    const SfxConfig &config = state.config;
    SetWindowTextA(dialog, config.title);
    if (config.label[0])
        SetDlgItemTextA(dialog, IDC_LABEL, config.label);
    SetDlgItemTextA(dialog, IDC_FOLDER, config.folder);
    SetDlgItemTextA(dialog, IDC_MESSAGE, config.message);
    SendDlgItemMessageA(dialog, IDC_FOLDER, EM_LIMITTEXT, DESTINATION_SIZE - 1, 0);
    SendMessageA(dialog, WM_SETICON, ICON_BIG,
                 (LPARAM)LoadIconA(state.instance, MAKEINTRESOURCE(IDI_MAIN)));
    center_window(dialog);
    state.dialog_busy = 0;
    state.cancel_requested = 0;
}

static INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        init_main_dialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char folder[DESTINATION_SIZE];
            GetDlgItemTextA(dialog, IDC_FOLDER, folder, sizeof folder);
            unquote(state.destination_folder, folder);
            if (is_full_path(state.destination_folder)) {
                extract_into_folder(dialog);
                return TRUE;
            }
            refuse_folder(dialog);
            return FALSE;
        }
        case IDCANCEL:
            if (state.dialog_busy)
                state.cancel_requested = 1;
            else
                EndDialog(dialog, 0);
            return TRUE;
        case IDC_BROWSE:
            browse_for_folder(dialog);
            return FALSE;
        case IDC_PROGRESS_COMMAND:
            SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, (WPARAM)lParam, 0);
            return FALSE;
        }
        break;
    }
    return FALSE;
}

INT_PTR show_main_dialog() {
    return DialogBoxParamA(state.instance, MAKEINTRESOURCE(IDD_MAIN), nullptr, main_dialog_proc, 0);
}

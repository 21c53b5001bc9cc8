// The open-file common dialog in its old style, as the directory picker uses it: the
// caller's template, the caller's hook, and the dialog's own reaction to what the hook
// leaves alone.
#include "window_manager.h"

namespace {
std::vector<standin::OpenFileNameRecord> records;

// The file-name edit of a directory picker is always empty, so OK only opens the entry
// selected in the directory or drive list (or does nothing): it never ends the dialog.
// IDABORT, posted by a hook, ends it with the low word of its lParam as the result.
INT_PTR old_style_defaults(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COMMAND)
        return standin::dialog_defaults(dialog, message, wparam, lparam);
    if (LOWORD(wparam) == IDCANCEL)
        EndDialog(dialog, FALSE);
    else if (LOWORD(wparam) == IDABORT)
        EndDialog(dialog, LOWORD(lparam));
    return 0;
}
} // namespace

namespace standin {

std::vector<OpenFileNameRecord> &open_file_dialogs() {
    return records;
}

bool picker_open_directory(HWND picker, const std::string &cp932_windows_path) {
    StandinWindow *shown = control_of(open_dialog_of(picker), 1088);
    DWORD attributes = GetFileAttributesA(cp932_windows_path.c_str());
    if (!shown || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    set_current_directory(cp932_windows_path);
    shown->text = cp932_windows_path;
    return true;
}

void reset_open_file_dialogs() {
    records.clear();
}

} // namespace standin

// Only the 76-byte request is accepted: the size every system from NT 3.51 on knows.
BOOL GetOpenFileNameA(LPOPENFILENAMEA request) {
    records.push_back(
        standin::OpenFileNameRecord{*request, request->lpstrTitle ? request->lpstrTitle : "",
                                    request->lpstrFile ? request->lpstrFile : "", FALSE});
    if (request->lStructSize != OPENFILENAME_SIZE_VERSION_400A)
        return FALSE;
    size_t index = records.size() - 1;
    bool own_template = (request->Flags & OFN_ENABLETEMPLATE) &&
                        IS_INTRESOURCE(request->lpTemplateName) &&
                        request->hInstance == GetModuleHandleA(nullptr);
    int template_id = own_template ? (int)(ULONG_PTR)request->lpTemplateName : 0;
    standin::WindowProcedure hook;
    if ((request->Flags & OFN_ENABLEHOOK) && request->lpfnHook) {
        LPOFNHOOKPROC procedure = request->lpfnHook;
        hook = [procedure](HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
            return (INT_PTR)procedure(dialog, message, wparam, lparam);
        };
    }
    std::string directory = standin_current_directory();
    INT_PTR result =
        standin::run_modal_dialog(template_id, request->hwndOwner, std::move(hook),
                                  old_style_defaults, (LPARAM)request, [&](StandinWindow *dialog) {
                                      dialog->text = request->lpstrTitle ? request->lpstrTitle : "";
                                      SetDlgItemTextA(dialog, 1088, directory.c_str());
                                  });
    if (request->Flags & OFN_NOCHANGEDIR)
        standin::set_current_directory(directory);
    records[index].result = result == -1 ? FALSE : (BOOL)result;
    return records[index].result;
}

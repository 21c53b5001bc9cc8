// The folder chooser behind the main dialog's Browse button.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include "resource.h"
#include "process/messages.h"
#include "process/state.h"
#include "ui/dialogs.h"

// Controls of the old-style open-file dialog that template 102 keeps visible.
constexpr int DIRECTORY_LIST = 1121;
constexpr int DRIVE_LIST = 1137;

constexpr DWORD PICKER_FLAGS =
    OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST;
static_assert(PICKER_FLAGS == 0x86C);

typedef HRESULT(WINAPI *GetMallocFunction)(IMalloc **allocator);
typedef LPITEMIDLIST(WINAPI *BrowseFunction)(LPBROWSEINFOA request);
typedef BOOL(WINAPI *PathFunction)(LPCITEMIDLIST list, LPSTR path);

// NT 3.51's shell32 lacks the folder browser, so it is looked up by name, never imported.
static void *shell_function(const char *name) {
    HMODULE shell = LoadLibraryA("shell32.dll");
    return shell ? (void *)GetProcAddress(shell, name) : nullptr;
}

static int browse_shell_folder(HWND owner, char *result, const char *title) {
    auto get_malloc = (GetMallocFunction)shell_function("SHGetMalloc");
    auto browse = (BrowseFunction)shell_function("SHBrowseForFolderA");
    auto to_path = (PathFunction)shell_function("SHGetPathFromIDListA");
    IMalloc *allocator;
    if (!get_malloc || !browse || !to_path || FAILED(get_malloc(&allocator)))
        return 0;
    char *path = (char *)allocator->Alloc(PATH_SIZE);
    if (!path) {
        allocator->Release();
        return 0;
    }
    BROWSEINFOA request;
    memset(&request, 0, sizeof request);
    request.hwndOwner = owner;
    request.pszDisplayName = path;
    request.lpszTitle = title;
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    int chosen = 0;
    LPITEMIDLIST list = browse(&request);
    if (list) {
        if (to_path(list, path)) {
            lstrcpyA(result, path);
            chosen = 1;
        }
        allocator->Free(list);
    }
    allocator->Free(path);
    allocator->Release();
    return chosen;
}

// OK normally opens the directory or drive selected in the lists. Pressed anywhere else
// (the OK button itself), it takes the directory the picker shows, which is the process's
// current directory while the picker is open, and ends the picker with success: the
// old-style dialog ends on IDABORT with the long parameter as its result.
static UINT_PTR CALLBACK directory_picker_hook(HWND dialog, UINT msg, WPARAM wParam,
                                               LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, ((OPENFILENAMEA *)lParam)->lCustData);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            int focus = GetDlgCtrlID(GetFocus());
            if (focus != DIRECTORY_LIST && focus != DRIVE_LIST) {
                char *result = (char *)GetWindowLongPtrA(dialog, DWLP_USER);
                GetCurrentDirectoryA(PATH_SIZE, result);
                PostMessageA(dialog, WM_COMMAND, IDABORT, 1);
            }
            break;
        }
        }
        break;
    }
    return FALSE;
}

// A current directory of 260 bytes or more leaves `result` empty.
static int browse_directory_picker(HWND owner, char *result, const char *title) {
    result[0] = 0;
    state.text_buffer[0] = 0;
    OPENFILENAMEA request;
    memset(&request, 0, sizeof request);
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.hInstance = state.instance;
    request.lpstrFile = state.text_buffer;
    request.nMaxFile = PATH_SIZE;
    request.lpstrTitle = title;
    request.Flags = PICKER_FLAGS;
    request.lCustData = (LPARAM)result;
    request.lpfnHook = directory_picker_hook;
    request.lpTemplateName = MAKEINTRESOURCE(IDD_DIRECTORY_PICKER);
    return GetOpenFileNameA(&request);
}

int choose_folder(HWND owner, char *result) {
    char title[STRING_BUFFER_SIZE];
    if (LOBYTE(GetVersion()) >= 4) {
        lstrcpyA(title, fetch_string(IDS_SELECT_FOLDER));
        return browse_shell_folder(owner, result, title);
    }
    lstrcpyA(title, fetch_string(IDS_BROWSE_DIRECTORY));
    return browse_directory_picker(owner, result, title);
}

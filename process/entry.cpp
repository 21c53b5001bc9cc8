// The start-up sequence: version gate, own path, configuration, notice, main dialog.
#include <windows.h>

#include <commctrl.h>

#include "extract/driver.h"
#include "resource.h"
#include "process/config.h"
#include "process/entry.h"
#include "process/messages.h"
#include "process/state.h"
#include "ui/dialogs.h"

// GetVersion: the low byte is the major version, the next one the minor version; bit 31
// is set on the Windows 95 family and clear on Windows NT.
int is_supported_windows() {
    DWORD version = GetVersion();
    DWORD major = version & 0xFF;
    DWORD minor = (version >> 8) & 0xFF;
    if (version & 0x80000000u)
        return major >= 4;
    return major > 3 || (major == 3 && minor >= 51);
}

// The two start-up boxes come before the configured title exists: their caption is
// string 7, loaded into a buffer of its own because fetch_string's buffer holds the text.
extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    state.instance = instance;
    InitCommonControls();
    char caption[STRING_BUFFER_SIZE];
    LoadStringA(instance, IDS_PROGRAM_NAME, caption, sizeof caption);
    if (!is_supported_windows()) {
        MessageBoxA(nullptr, fetch_string(IDS_OLD_WINDOWS), caption, MB_ICONERROR);
        return 0;
    }
    GetModuleFileNameA(instance, state.own_path, PATH_SIZE);
    if (!load_config()) {
        MessageBoxA(nullptr, fetch_string(IDS_ARCHIVE_DAMAGED), caption, MB_ICONERROR);
        return 0;
    }
    if (!run_extraction(nullptr, MODE_NOTICE))
        return 0;
    return (int)show_main_dialog();
}

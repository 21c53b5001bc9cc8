// Common controls of the headless stand-in: the progress bar.
#pragma once

#include <windows.h>

#define PROGRESS_CLASSA "msctls_progress32"
#define PROGRESS_CLASS PROGRESS_CLASSA
#define PBM_SETPOS (WM_USER + 2)
#define PBM_GETPOS (WM_USER + 8)

// Registers the common control classes; dialogs with a progress bar fail before this call.
void InitCommonControls(void);

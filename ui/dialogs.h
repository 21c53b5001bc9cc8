// The program's dialogs and the folder chooser.
#pragma once

#include <windows.h>

// Runs the main dialog (template 101) without an owner. Returns 1 when it closed after an
// extraction run, whatever the run's outcome, and 0 when the user cancelled before one.
INT_PTR show_main_dialog();

// Copies `source` into `destination` without its leading blanks and tabs; a text that then
// begins with a double quote loses it and everything from the next double quote on.
void unquote(char *destination, const char *source);

// Shows the overwrite question for state.output_path, owned by the run's window; returns
// the button chosen: IDYES, IDNO, IDC_OVERWRITE_ALL or IDCANCEL.
int ask_overwrite();

// Centres a window on the screen, keeping its size.
void center_window(HWND window);

// Lets the user pick a folder: the shell's folder browser on Windows 4.0 and later, the
// directory picker on NT 3.51. Writes a plain path of at most 259 bytes into `result`
// (260 bytes at least) and returns nonzero when a folder was chosen.
int choose_folder(HWND owner, char *result);

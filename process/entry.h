// The program's entry point and the operating-system gate.
#pragma once

#include <windows.h>

// The start-up sequence; the result is the process exit code. Only `instance` is read.
extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

// Nonzero on Windows 95 and later and on Windows NT 3.51 and later.
int is_supported_windows();

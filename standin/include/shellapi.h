// ShellExecuteA: <windows.h> of the stand-in already declares it.
#pragma once

#include <windows.h>

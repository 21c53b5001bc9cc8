// What the fuzz targets that run the extraction driver share: the self-extractor as the file
// C:\sfx.exe in a folder of its own (in memory where /dev/shm exists, removed at exit), a
// fresh stage for each input, and the checks made after each pass of the driver.
#pragma once

#include "process/state.h"
#include "standin.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

inline std::string &sfx_folder() {
    static std::string folder;
    return folder;
}

inline void remove_sfx_folder() {
    unlink((sfx_folder() + "/sfx.exe").c_str());
    rmdir(sfx_folder().c_str());
}

// Makes the folder and opens the self-extractor's host file once, for the harness to write
// each input into; aborts when it cannot.
inline int open_sfx_file() {
    char name[64];
    snprintf(name, sizeof name, "%s/kolvane-fuzz-XXXXXX",
             access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (!mkdtemp(name))
        abort();
    sfx_folder() = name;
    int descriptor =
        open((sfx_folder() + "/sfx.exe").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0)
        abort();
    atexit(remove_sfx_folder);
    return descriptor;
}

// A fresh stand-in (the folder as C:, a null drive N: whose writes fail after 4 MiB, so every
// run ends quickly) and a fresh state for the program running as C:\sfx.exe.
inline void stage_sfx_run() {
    standin::reset();
    standin::map_drive('C', sfx_folder());
    standin::map_null_drive('N');
    standin::fail_writes_after(4u << 20, false);
    memset(&state, 0, sizeof state);
    lstrcpynA(state.own_path, "C:\\sfx.exe", PATH_SIZE);
    state.instance = GetModuleHandleA(nullptr);
    state.archive_handle = INVALID_HANDLE_VALUE;
    state.output_handle = INVALID_HANDLE_VALUE;
}

inline void require(bool condition) {
    if (!condition)
        abort();
}

// Message boxes other than the notice's yes/no question.
inline size_t complaints() {
    size_t n = 0;
    for (const standin::MessageBoxRecord &box : standin::message_boxes())
        n += (box.style & MB_YESNO) != MB_YESNO;
    return n;
}

// A pass of the driver closes every handle it opens, and fails exactly when it said why.
inline void check_pass(int result) {
    require(state.archive_handle == INVALID_HANDLE_VALUE);
    require(state.output_handle == INVALID_HANDLE_VALUE);
    require(result == (state.failed ? 0 : 1));
    require(result ? complaints() == 0 : complaints() >= 1);
}

// The input as a file for the program: C:\input, on a folder of its own (in memory where
// /dev/shm exists).
#pragma once

#include "standin.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

// The file is opened once, through the stand-in for the program to read and directly for
// the harness to write, and then removed with its folder at once: both stay open, and
// nothing is left behind however the process ends. Each call replaces the contents in
// place and rewinds the program's handle.
inline HANDLE fuzz_input_file(const uint8_t *data, size_t size) {
    static int descriptor = -1;
    static HANDLE handle = INVALID_HANDLE_VALUE;
    if (descriptor < 0) {
        char folder[64];
        snprintf(folder, sizeof folder, "%s/kolvane-fuzz-XXXXXX",
                 access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        if (!mkdtemp(folder))
            abort();
        std::string host = std::string(folder) + "/input";
        descriptor = open(host.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        standin::map_drive('C', folder);
        handle = CreateFileA("C:\\input", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (descriptor < 0 || handle == INVALID_HANDLE_VALUE || unlink(host.c_str()) != 0 ||
            rmdir(folder) != 0)
            abort();
    }
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != (ssize_t)size)
        abort();
    SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
    return handle;
}

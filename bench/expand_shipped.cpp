// Expands every member of an LZH archive through the program's reader, decoder and sink as
// the stub is compiled (same compiler, flags and per-file flags), with the output going to
// NUL: every block is still written and fed to the CRC, checked against each header. Prints
// the bytes expanded, the process's CPU time (user and kernel, steadier than the wall clock
// on a busy machine), the rate and the code path the processor was given; the exit code is 0
// when every CRC matches. A third argument "386" keeps to the code for every processor.
// Built with the stub, for bench/decode-bench.sh and tests/wine/decoder-paths.sh.
#include "archive/crc16.h"
#include "expand_members.h"
#include "process/processor.h"
#include "process/state.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static double cpu_seconds() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ticks = [](const FILETIME &t) {
        return (uint64_t)t.dwHighDateTime << 32 | t.dwLowDateTime;
    };
    return (double)(ticks(kernel) + ticks(user)) / 1e7;
}

// One pass over the archive: the number of members whose CRC is wrong, -1 when it cannot
// be read through.
static int expand_all() {
    state.archive_handle = CreateFileA(state.own_path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (state.archive_handle == INVALID_HANDLE_VALUE)
        return -1;
    int bad = expand_members();
    CloseHandle(state.archive_handle);
    return bad;
}

int main(int argc, char **argv) {
    if (argc < 2 || argc > 4) {
        fprintf(stderr, "usage: %s ARCHIVE [PASSES [386]]\n", argv[0]);
        return 2;
    }
    int passes = argc >= 3 ? atoi(argv[2]) : 1;
    lstrcpynA(state.own_path, argv[1], PATH_SIZE);
    lstrcpynA(state.output_path, "NUL", OUTPUT_PATH_SIZE);
    double start = cpu_seconds();
    detect_processor();
    if (argc == 4 && strcmp(argv[3], "386") == 0)
        state.processor_sse2 = state.processor_clmul = 0;
    crc16_build_table(CRC16_POLY);
    int bad = 0;
    for (int pass = 0; pass < passes; pass++) {
        int wrong = expand_all();
        if (wrong < 0) {
            fprintf(stderr, "cannot read %s through\n", argv[1]);
            return 2;
        }
        bad += wrong;
    }
    double seconds = cpu_seconds() - start;
    printf("%llu bytes %.3f s %.0f MB/s (%s)\n", (unsigned long long)state.bytes_done, seconds,
           seconds > 0 ? (double)state.bytes_done / seconds / 1e6 : 0.0,
           state.processor_clmul  ? "SSE2 and carry-less multiply"
           : state.processor_sse2 ? "SSE2"
                                  : "80386 code only");
    return bad ? 1 : 0;
}

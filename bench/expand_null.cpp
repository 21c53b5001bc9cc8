// Expands every member of an LZH archive through the program's own reader, decoder and
// sink, over the stand-in, with the output going to /dev/null: the sink still writes every
// block and feeds the CRC, which is checked against each header. Prints the bytes expanded;
// the exit code is 0 when every CRC matches. Used by bench/decode-bench.sh.
#include "archive/header.h"
#include "decode/expand.h"
#include "extract/archive.h"
#include "extract/driver.h"
#include "standin.h"
#include "process/state.h"

#include <stdio.h>
#include <string>

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s ARCHIVE\n", argv[0]);
        return 2;
    }
    standin::map_drive('C', "/");
    standin::map_drive('N', "/dev");
    lstrcpynA(state.own_path, (std::string("C:") + argv[1]).c_str(), PATH_SIZE);
    lstrcpynA(state.output_path, "N:\\null", OUTPUT_PATH_SIZE);
    if (argv[1][0] != '/' || !open_archive()) {
        fprintf(stderr, "cannot open %s (an absolute path is needed)\n", argv[1]);
        return 2;
    }
    int bad = 0;
    for (;;) {
        int result = read_member_header();
        if (result == HEADER_END)
            break;
        if (result == HEADER_FAILED)
            return 1;
        if (state.header[HEADER_METHOD_LETTER] != 'd') {
            state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            expand_guarded();
            if (state.failed)
                return 1;
            CloseHandle(state.output_handle);
            if (!member_intact(read_u16(state.header + HEADER_DATA_CRC))) {
                fprintf(stderr, "CRC error: %s\n", state.member_path);
                bad++;
            }
        }
        release_header();
    }
    printf("%llu bytes\n", (unsigned long long)state.bytes_done);
    return bad ? 1 : 0;
}

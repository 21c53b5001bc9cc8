// Expands every member of an LZH archive through the program's own reader, decoder and
// sink, over the stand-in, with the output going to /dev/null: the sink still writes every
// block and feeds the CRC, which is checked against each header. Prints the bytes expanded;
// the exit code is 0 when every CRC matches. Used by bench/decode-bench.sh.
#include "expand_members.h"
#include "extract/archive.h"
#include "process/state.h"
#include "standin.h"

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
    int bad = expand_members();
    if (bad < 0)
        return 1;
    printf("%llu bytes\n", (unsigned long long)state.bytes_done);
    return bad ? 1 : 0;
}

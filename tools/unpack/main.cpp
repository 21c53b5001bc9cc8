// kolvane-unpack: lists, tests and extracts self-extractors and plain level-2 archives.
#include "exit_codes.h"
#include "input.h"
#include "list.h"
#include "options.h"
#include "unpack.h"

#include <stdlib.h>

int main(int argc, char **argv) {
    // With TZ unset the C library looks at the zone file again at every local time
    // conversion, two for each member; naming the same file reads it once.
    setenv("TZ", ":/etc/localtime", 0);
    Options options;
    int done = parse_options(argc, argv, options);
    if (done >= 0)
        return done;
    Input input;
    if (!inspect_input(options.file, input))
        return EXIT_DAMAGED;
    if (options.command == Command::List)
        return list_archive(input);
    return unpack_archive(input, options);
}

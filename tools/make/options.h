// The command line of kolvane-make.
#pragma once

#include <string>

struct Options {
    std::string output;       // -o
    std::string source;       // FOLDER
    std::string from_archive; // --from-archive
    // Texts of the configuration block, UTF-8 as given.
    std::string title, label, folder, message, command;
    bool restore_attributes = false;
    bool overwrite_without_asking = false;
    std::string notice; // --notice FILE
    std::string stub;   // --stub, or the stub of the build this program belongs to
    char method = '7';  // --method lh0, lh5, lh6 or lh7
    // --elevation: asInvoker, highestAvailable or requireAdministrator; empty when not
    // given, which keeps the stub's own level (asInvoker) and accepts a stub without one.
    std::string elevation;
    bool quiet = false;
    bool recompress = false; // --recompress: every member of --from-archive packed again
};

// Exit codes.
enum : int { EXIT_MADE = 0, EXIT_REFUSED = 1, EXIT_USAGE = 2 };

// Fills options from the command line. Returns -1 to go on, or the exit code when the run
// is over already (--help shown, or a usage error reported).
int parse_options(int argc, char **argv, Options &options);

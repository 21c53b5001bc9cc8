// The command line.
#pragma once

#include <string>

enum class Command { Extract, List, Test };

struct Options {
    Command command = Command::Extract;
    std::string file;
    std::string destination = ".";
    bool yes = false;   // -y: accept the notice, replace existing files
    bool no = false;    // -n: keep existing files (wins over -y for them)
    bool quiet = false; // -q: errors and questions only
};

// Reads the arguments into `options`. Returns -1 when the run goes on, otherwise the exit
// code to end with: after --help or --version, or after a usage error has been reported.
int parse_options(int argc, char **argv, Options &options);

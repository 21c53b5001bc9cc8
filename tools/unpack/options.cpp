// The command line: options in the habits of unzip, 7z and lhasa.
#include "options.h"
#include "exit_codes.h"

#include <windows.h>

#include "resource.h"

#include <stdio.h>
#include <string.h>

namespace {

const char HELP[] = R"(Usage: kolvane-unpack [options] FILE

Lists, tests or extracts FILE, a Kolvane 95 self-extractor or a plain LZH archive with
level-2 headers, by running the self-extractor's own code.

  -l         list the members (and a self-extractor's configuration)
  -t         test: expand every member and check its CRC; nothing is written
  -d DIR     extract into DIR (default: the current directory), created when missing
  -y         answer yes: accept the archive's notice, replace existing files
  -n         never replace an existing file; the notice is still asked (or -y accepts it)
  -q         quiet: only errors and questions
  --help     show this text
  --version  show the version

Without -l or -t, FILE is extracted. Questions (the archive's notice, replacing a file)
are asked on the terminal. When standard input is not a terminal, a question that -y or
-n does not answer ends the run with exit code 3.

Nothing is written outside DIR, which stands for the root of a drive: a member path that
begins with a separator goes below DIR, as on Windows it goes below the root; members
with a server path ("//") or a ".." component are refused before anything is extracted, symbolic links are never followed out of DIR, and
the command a self-extractor would start afterwards is shown, never run. Time stamps are
restored; attributes only when the self-extractor is configured to restore them.

Exit codes:
  0  success
  1  FILE cannot be read or is damaged, or a member could not be extracted
  2  the command line is wrong
  3  a question was declined or could not be asked, or the run was interrupted
)";

int usage_error(const char *text, const char *detail = "") {
    fprintf(stderr, "kolvane-unpack: %s%s\nTry 'kolvane-unpack --help'.\n", text, detail);
    return EXIT_USAGE;
}

int print_version() {
    char name[128];
    LoadStringA(nullptr, IDS_PROGRAM_NAME, name, sizeof name);
    printf("kolvane-unpack " KOLVANE_VERSION " (%s)\n", name);
    return EXIT_DONE;
}

// One cluster of short options ("-tq", "-dDIR"). `next` is the following argument, taken
// by -d when the cluster ends with it. Returns -1, or the exit code of a usage error.
int short_options(const char *cluster, const char *next, int &index, Options &options) {
    for (const char *p = cluster + 1; *p; p++) {
        switch (*p) {
        case 'l':
        case 't': {
            Command command = *p == 'l' ? Command::List : Command::Test;
            if (options.command != Command::Extract && options.command != command)
                return usage_error("-l and -t cannot be combined");
            options.command = command;
            break;
        }
        case 'y':
            options.yes = true;
            break;
        case 'n':
            options.no = true;
            break;
        case 'q':
            options.quiet = true;
            break;
        case 'd':
            if (p[1]) {
                options.destination = p + 1;
            } else if (next) {
                options.destination = next;
                index++;
            } else {
                return usage_error("-d needs a folder");
            }
            if (options.destination.empty())
                return usage_error("-d needs a folder");
            return -1;
        default: {
            char option[3] = {'-', *p, 0};
            return usage_error("unknown option ", option);
        }
        }
    }
    return -1;
}

} // namespace

int parse_options(int argc, char **argv, Options &options) {
    bool options_end = false;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (!options_end && strcmp(arg, "--help") == 0) {
            fputs(HELP, stdout);
            return EXIT_DONE;
        }
        if (!options_end && strcmp(arg, "--version") == 0)
            return print_version();
        if (!options_end && strcmp(arg, "--") == 0) {
            options_end = true;
        } else if (!options_end && arg[0] == '-' && arg[1] == '-') {
            return usage_error("unknown option ", arg);
        } else if (!options_end && arg[0] == '-' && arg[1]) {
            int result = short_options(arg, i + 1 < argc ? argv[i + 1] : nullptr, i, options);
            if (result >= 0)
                return result;
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            return usage_error("more than one FILE: ", arg);
        }
    }
    if (options.file.empty())
        return usage_error("no FILE given");
    return -1;
}

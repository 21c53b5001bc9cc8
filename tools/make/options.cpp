#include "options.h"
#include "platform.h"
#include "execution_level.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

const char HELP[] = R"(Usage: kolvane-make -o OUT.exe [options] FOLDER
       kolvane-make -o OUT.exe [options] --from-archive ARCHIVE.lzh

Makes a Kolvane 95 self-extractor: a copy of the stub with its configuration block filled
in, followed by an LZH archive of level-2 headers that holds the contents of FOLDER
(compressed by this program) or the members of ARCHIVE.lzh (header levels 0 to 3; a
self-extractor may stand for ARCHIVE.lzh).

  -o OUT.exe                   the self-extractor to write; it appears only when complete
  --title TEXT                 caption of every window (at most 50 bytes)
  --label TEXT                 label above the folder box (at most 40 bytes)
  --folder PATH                proposed destination folder (at most 255 bytes); may hold
                               environment variables and %ProgramFilesDir%,
                               %CommonFilesDir%, %SystemDir%, %TEMP%, stored as written
  --message TEXT               text shown before extraction starts (at most 80 bytes)
  --command LINE               started in the destination folder after a successful
                               extraction (at most 259 bytes); may hold the same names
                               and %ExtractDir%, stored as written
  --restore-attributes         give extracted files their DOS attributes
  --overwrite-without-asking   replace existing files without asking
  --notice FILE                a text shown as a yes/no question first (at most 1023
                               bytes): UTF-8 is converted, anything else kept as it is
  --stub PATH                  the stub (default: the one installed with this program)
  --method lh0|lh5|lh6|lh7     compression of FOLDER's files and of the members packed
                               again (default lh7); a file that does not shrink is stored
  --recompress                 pack every member of ARCHIVE.lzh again with --method, and
                               show the size of their data before and after
  --elevation LEVEL            the execution level that the manifest asks Windows Vista
                               and later for: asInvoker (default, no elevation prompt),
                               highestAvailable or requireAdministrator
  -q                           print nothing but errors
  --help                       show this text
  --version                    show the version

Texts are UTF-8 here and stored in code page 932; one that does not convert or does not
fit is refused, never cut. Byte counts are those of code page 932.

Members of FOLDER: paths relative to it, each folder's names sorted bytewise, a folder's
own entry before its contents, empty folders included. Time stamps are the modification
times. Attributes: on Windows the files' own read-only, hidden, system and archive;
elsewhere archive, read-only where the owner may not write, and hidden and system where
the user.DOSATTRIB extended attribute (Samba's and Wine's) says so; a leading dot does
not make a name hidden. Folders: directory, hidden, system. Symbolic links are followed and
packed as what they point to. Nothing is written when a name does not fit code page 932
or the self-extractor's buffers, when a file is 4 GiB or larger, or when two names would
be the same file on Windows; the message names the file.

Members of ARCHIVE.lzh keep their data when the self-extractor can expand its method
(-lh0-, -lh4- to -lh7-); members of other methods this program can expand are expanded
and packed again with --method. Every member is checked by expanding it before the
self-extractor is complete: one that fails is refused, naming it. Symbolic links and
folder entries without a name are left out with a warning; separators at the start of a
path are dropped (the member goes below the destination folder), with a warning.

Exit codes:
  0  the self-extractor was written
  1  refused or failed; nothing was written
  2  the command line is wrong
)";

int usage_error(const std::string &text) {
    fprintf(stderr, "kolvane-make: %s\nTry 'kolvane-make --help'.\n", text.c_str());
    return EXIT_USAGE;
}

struct TextOption {
    const char *name;
    std::string Options::*field;
};

const TextOption TEXT_OPTIONS[] = {
    {"--title", &Options::title},     {"--label", &Options::label},
    {"--folder", &Options::folder},   {"--message", &Options::message},
    {"--command", &Options::command}, {"--notice", &Options::notice},
    {"--stub", &Options::stub},       {"--from-archive", &Options::from_archive},
    {"-o", &Options::output},         {"--elevation", &Options::elevation},
};

// The value of an option that takes one: "--name=value", or the next argument.
bool take_value(std::string_view argument, const char *name, int argc, char **argv, int &index,
                std::string &value, bool &matched) {
    size_t length = strlen(name);
    matched = false;
    if (argument.compare(0, length, name) != 0)
        return true;
    if (argument.size() == length) {
        matched = true;
        if (index + 1 >= argc)
            return false;
        value = argv[++index];
        return true;
    }
    if (name[1] != '-' || argument[length] == '=') { // "-oFILE", "--name=value"
        matched = true;
        value = std::string(argument.substr(name[1] != '-' ? length : length + 1));
    }
    return true;
}

} // namespace

int parse_options(int argc, char **argv, Options &options) {
    bool seen_folder = false;
    std::string method;
    for (int i = 1; i < argc; i++) {
        std::string_view argument = argv[i];
        if (argument == "--help") {
            fputs(HELP, stdout);
            return EXIT_MADE;
        }
        if (argument == "--version") {
            puts("kolvane-make " KOLVANE_VERSION);
            return EXIT_MADE;
        }
        if (argument == "-q") {
            options.quiet = true;
            continue;
        }
        if (argument == "--recompress") {
            options.recompress = true;
            continue;
        }
        if (argument == "--restore-attributes") {
            options.restore_attributes = true;
            continue;
        }
        if (argument == "--overwrite-without-asking") {
            options.overwrite_without_asking = true;
            continue;
        }
        bool matched = false;
        for (const TextOption &option : TEXT_OPTIONS) {
            if (!take_value(argument, option.name, argc, argv, i, options.*option.field, matched))
                return usage_error(std::string(option.name) + " needs a value");
            if (matched)
                break;
        }
        if (!matched && !take_value(argument, "--method", argc, argv, i, method, matched))
            return usage_error("--method needs a value");
        if (matched)
            continue;
        if (argument.size() > 1 && argument[0] == '-')
            return usage_error("unknown option " + std::string(argument));
        if (seen_folder)
            return usage_error("more than one FOLDER given");
        options.source = argument;
        seen_folder = true;
    }
    if (!method.empty()) {
        if (method != "lh0" && method != "lh5" && method != "lh6" && method != "lh7")
            return usage_error("--method must be lh0, lh5, lh6 or lh7, not " + method);
        options.method = method[2];
    }
    if (!options.elevation.empty() &&
        std::find(std::begin(EXECUTION_LEVELS), std::end(EXECUTION_LEVELS), options.elevation) ==
            std::end(EXECUTION_LEVELS))
        return usage_error("--elevation must be asInvoker, highestAvailable or "
                           "requireAdministrator, not " +
                           options.elevation);
    if (options.output.empty())
        return usage_error("no output file given (-o OUT.exe)");
    if (seen_folder == !options.from_archive.empty())
        return usage_error(seen_folder ? "give either FOLDER or --from-archive, not both"
                                       : "no FOLDER given (or --from-archive ARCHIVE.lzh)");
    if (options.recompress && options.from_archive.empty())
        return usage_error("--recompress goes with --from-archive");
    if (options.stub.empty())
        options.stub = platform::default_stub();
    return -1;
}

// What the oracle programs share: an archive opened through the stand-in as the program
// opens its own file, the walk's closing line, and bytes printed as hex.
#pragma once

#include "archive/header.h"
#include "extract/archive.h"
#include "standin.h"
#include "process/state.h"

#include <stdio.h>
#include <string>

inline std::string hex(const std::string &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

// Maps the archive's folder as drive C: and opens the archive as the program opens its own
// file (its title used for messages). False, said on stderr, when it cannot.
inline bool open_program_archive(const std::string &path, const char *title) {
    size_t slash = path.rfind('/');
    standin::map_drive('C', slash == std::string::npos ? "." : path.substr(0, slash + 1));
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    lstrcpynA(state.own_path, ("C:\\" + name).c_str(), PATH_SIZE);
    lstrcpynA(state.config.title, title, sizeof state.config.title);
    if (open_archive())
        return true;
    fprintf(stderr, "cannot open %s\n", path.c_str());
    return false;
}

// Prints the walk's last line, "end" or "failed <message box text as hex>", when `result`
// of read_member_header() ends the walk, and gives the exit code (0 or 1); -1 when a
// member is ready.
inline int walk_end(int result) {
    if (result == HEADER_END) {
        printf("end\n");
        return 0;
    }
    if (result == HEADER_FAILED) {
        printf("failed %s\n", hex(standin::message_boxes().back().text).c_str());
        return 1;
    }
    return -1;
}

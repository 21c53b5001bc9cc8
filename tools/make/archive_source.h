// The members of an existing LZH archive, taken over into a self-extractor.
#pragma once

#include "member.h"

#include <string>
#include <vector>

struct ArchiveContents {
    std::vector<Member> members;
    std::vector<std::string> warnings; // one line each, naming the archive
    size_t repacked = 0;               // members to be expanded here and packed again
};

// Reads the members of the archive at path (header levels 0 to 3) in their order; path may
// also be a self-extractor, whose archive begins where its configuration says. Each member
// keeps its method, compressed data, data CRC and attribute byte; names are split at '\',
// '/' and 0xFF (a backslash that is the second byte of a double-byte character excepted)
// into the components of the directory name and then of the file name (each up to a NUL
// byte, after which some archivers keep a comment), and kept as code page 932 bytes. Time stamps:
// levels 2 and 3 hold seconds since 1970 already; for levels 0 and 1 a Unix time (extended header
// 0x54, or the extension of a level-0 header made on Unix) or a Windows time (0x41) is used when
// present, otherwise the MS-DOS date and time, taken as local time of this machine (the TZ
// variable), as the archivers that write them do.
//
// Left out, each with a warning: symbolic links (folder entries named "name|target") and
// folder entries without a name. Separators that begin a path are dropped, as other
// readers drop them, with one warning for the archive. Members whose method the
// self-extractor cannot expand, and with `repack_all` every member that has data, are
// marked to be expanded here and packed again.
// Refuses (MakeError): what read_raw_headers refuses, members of 4 GiB or more, methods no
// decoder here knows, a ".." component, a stored member whose sizes differ, a folder entry
// with data, and a file without a name, each naming the member.
ArchiveContents read_archive(const std::string &path, bool repack_all);

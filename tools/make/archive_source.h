// The members of an existing LZH archive, taken over without recompressing them.
#pragma once

#include "member.h"

#include <string>
#include <vector>

// Reads the member headers of the archive at path (header level 0, 1 or 2) in their order;
// path may also be a self-extractor, whose archive begins where its configuration says.
// Each member keeps its method, compressed data, data CRC and attribute byte; names are
// split at '\', '/' and 0xFF (a backslash that is the second byte of a double-byte
// character excepted) and kept as code page 932 bytes. Time stamps: level 2 holds
// seconds since 1970 already; for levels 0 and 1 a Unix time (extended header 0x54, or the
// extension of a level-0 header made on Unix) or a Windows time (0x41) is used when
// present, otherwise the MS-DOS date and time, taken as local time of this machine (the
// TZ variable), as the archivers that write them do.
// Refuses (MakeError) a damaged or truncated header, level 3, members of 4 GiB or more,
// methods the self-extractor cannot expand, and paths that would leave the destination
// folder (absolute, or with a ".." component), each naming the member.
std::vector<Member> read_archive(const std::string &path);

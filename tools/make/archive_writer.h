// Writes the planned members as a level-2 archive.
#pragma once

#include "member.h"
#include "output_file.h"

#include <cstdint>
#include <string>
#include <vector>

struct ArchiveSummary {
    uint64_t total_size = 0; // original sizes of the members, a notice (first, "!") excepted
    uint64_t bytes = 0;      // size of the archive, closing 0 byte included
};

struct WriteSettings {
    char method = '7';          // for files of the folder: '0', '5', '6' or '7'
    std::string source_archive; // where Copied members' data is read from
    bool quiet = false;         // otherwise one line per member on standard output
};

// Writes each member's header and data at the output's current position, then the 0 byte
// that ends the archive. Files are compressed as they are read, in chunks, so memory stays
// bounded whatever their size; a file that does not shrink is stored ("-lh0-"), and so is
// the notice. Copied members' data goes over byte for byte. Throws MakeError on a read or
// write failure, naming the file.
ArchiveSummary write_members(OutputFile &out, const std::vector<Member> &members,
                             const WriteSettings &settings);

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
    size_t repacked = 0;     // members taken over and packed again
    uint64_t repacked_before = 0, repacked_after = 0; // their data sizes
};

struct WriteSettings {
    char method = '7';          // for files of the folder and repacked members
    std::string source_archive; // where Copied members' data is read from
    bool quiet = false;         // otherwise one line per member on standard output
};

// Writes each member's header and data at the output's current position, then the 0 byte
// that ends the archive. Files are compressed as they are read, in chunks, so memory stays
// bounded whatever their size; a file that does not shrink is stored ("-lh0-"), and so is
// the notice. Copied members are checked (take_over.h) and their data goes over byte for
// byte, or they are expanded and packed again when marked repack. Throws MakeError on a
// read or write failure or a member that fails its check, naming the file.
ArchiveSummary write_members(OutputFile &out, const std::vector<Member> &members,
                             const WriteSettings &settings);

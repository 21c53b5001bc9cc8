// The file named on the command line: a self-extractor or a plain level-2 archive.
#pragma once

#include "process/state.h"

#include <stdint.h>

#include <string>

struct Input {
    std::string name;      // as the user gave it
    std::string host_path; // absolute
    uint64_t size = 0;
    bool self_extractor = false;
    SfxConfig config = {}; // the block as stored (self-extractors only)
    uint32_t archive_offset = 0;
    // What the self-extractor's manifest asks Windows for; empty when it has no manifest
    // with an execution level (an older stub).
    std::string execution_level;
};

// Opens the file and tells by its content what it is. On failure the reason has been
// reported and the result is false.
bool inspect_input(const std::string &name, Input &input);

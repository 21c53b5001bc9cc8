// The checks and the repacking of members taken over from an archive.
#pragma once

#include "member.h"

#include <functional>
#include <string>

// Checks a member that goes over byte for byte: its data must expand, with the
// self-extractor's own code, to its size and CRC. Throws MakeError naming the archive,
// the member and what is wrong, so that no self-extractor is written that cannot extract.
void check_copied(const Member &member, const std::string &archive);

// Expands a member marked repack into an unnamed temporary file, checking its size and
// CRC as check_copied does, and hands `pack` a file member reading it (valid during the
// call only). The file is gone when this returns or throws.
void with_expanded(const Member &member, const std::string &archive,
                   const std::function<void(const Member &expanded)> &pack);

// Member data expanded by the self-extractor's own code, over the stand-in.
#pragma once

#include "member.h"

#include <cstdio>
#include <string>

// Expands the data of a member taken over from `archive` (a method the self-extractor
// knows) exactly as the self-extractor would, into the host file `into`, or into nothing
// when `into` is empty. Returns "" when it expands to the member's size and CRC, otherwise
// what went wrong. One member at a time: the program's code keeps its state in one place,
// so callers on several threads take turns.
std::string program_expand(const std::string &archive, const Member &member,
                           const std::string &into);

// The failure text for data whose CRC is `found` where the header says `stored`.
inline std::string crc_failure(uint16_t stored, uint16_t found) {
    char text[96];
    snprintf(text, sizeof text, "the data fails its CRC check (%04X in the header, %04X found)",
             stored, found);
    return text;
}

// Checks on the whole list of members, made before anything is written.
#pragma once

#include "member.h"

#include <vector>

// Refuses (MakeError, naming the member) a member path longer than the self-extractor's
// path buffer, a member "!" that is not a notice in first place (the self-extractor shows
// the first member "!" as its notice and passes over every other one), a member whose
// name no Windows file can have (a device name, a control character, nothing left once
// trailing dots and spaces go), two members that Windows would take for the same file (the
// names the self-extractor writes for them, cleaned and cut by its own code, differ only in
// trailing dots and spaces or in the case of letters), and a file whose name another member
// needs for a folder.
void check_members(const std::vector<Member> &members);

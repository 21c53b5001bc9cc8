// Checks on the whole list of members, made before anything is written.
#pragma once

#include "member.h"

#include <vector>

// Refuses (MakeError, naming the member) a member path longer than the self-extractor's
// path buffer, a member "!" that is not a notice in first place (the self-extractor shows
// the first member "!" as its notice and passes over every other one), and two members that Windows
// would take for the same file: names that differ only in the case of ASCII letters, or UTF-8 names
// that code page 932 writes alike; and a file whose name another member needs for a folder.
void check_members(const std::vector<Member> &members);

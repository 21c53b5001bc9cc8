// The members for the contents of a folder on disk.
#pragma once

#include "member.h"

#include <string>
#include <vector>

// Members for everything below root, with paths relative to it. Order: the names of each
// folder sorted bytewise, a folder's own "-lhd-" entry directly before its contents.
// Symbolic links are followed: a self-extractor holds files and folders only, so a link
// becomes a copy of what it points to. Refuses (MakeError, naming the entry) a name that
// code page 932 cannot hold or that holds a backslash, a dangling link, a link back to
// a folder above it, a file that cannot be read or is 4 GiB or larger, a modification
// time outside what the header can hold, and anything that is neither file nor folder.
std::vector<Member> scan_folder(const std::string &root);

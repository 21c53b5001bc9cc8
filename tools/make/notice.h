// The notice: a text that the self-extractor shows as a yes/no question before anything
// else, carried as the first member, named "!".
#pragma once

#include "member.h"

#include <string>

// The notice member for the text file at path. A text that is well-formed UTF-8 (after
// an optional byte order mark, which is dropped) is converted to code page 932; any other
// text is taken to be code page 932 already and kept byte for byte. Line ends are kept as
// they are. Refuses (MakeError) an unreadable or empty file, UTF-8 that code page 932
// cannot hold, a NUL byte, and a text longer than the self-extractor shows.
Member notice_member(const std::string &path);

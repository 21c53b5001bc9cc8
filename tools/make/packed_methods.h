// Which methods of members taken over from an archive can be kept, and which expanded here.
#pragma once

#include <string>

// The self-extractor's own methods: -lh0-, -lh4- to -lh7- and -lhd-.
bool stub_expands(const std::string &method);

// Whether this program can expand a member of the method, to pack it again.
bool can_expand(const std::string &method);

// The stub and the configuration block written into its copy.
#pragma once

#include "options.h"

#include "format/config_block.h"

#include <cstdint>
#include <string>
#include <vector>

// Where every stub, and so every self-extractor, carries its marker.
constexpr size_t MARKER_OFFSET = 0x24;
inline constexpr char STUB_MARKER[] = "Kolvane95 ";

// The stub at path, checked to be a Kolvane 95 stub: "MZ", the marker at 0x24, and a
// configuration area that is still all zero. Refuses (MakeError) anything else.
std::vector<uint8_t> load_stub(const std::string &path);

// The block for the options' texts and flags, texts in code page 932; archive_offset and
// the total size are left 0 for the writer. Refuses (MakeError, naming the option) a text
// that does not convert or does not fit its field with the terminating NUL.
SfxConfig make_config(const Options &options);

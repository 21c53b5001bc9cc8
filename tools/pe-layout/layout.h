// The stub's file layout step: from the image the linker wrote to the image that ships.
#pragma once

#include <cstdint>
#include <vector>

// Returns the rewritten image; throws std::runtime_error, saying why, for input that is not
// a 32-bit i386 PE image or whose headers would not fit the layout.
std::vector<uint8_t> lay_out_image(const std::vector<uint8_t> &linked);

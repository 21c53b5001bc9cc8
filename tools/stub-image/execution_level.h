// The execution level that the stub's manifest asks Windows for (Vista and later), kept in a
// fixed slot of the manifest so that a copy of the stub can get another level without
// anything moving: the 29 bytes from `level="`, that is `level="LEVEL"` padded with spaces.
// The longest level leaves one space, which keeps the next attribute apart, so the manifest
// stays well-formed XML whatever level the slot holds.
#pragma once

#include "pe_image.h"

#include <string>
#include <string_view>

inline constexpr std::string_view EXECUTION_LEVELS[] = {"asInvoker", "highestAvailable",
                                                        "requireAdministrator"};
constexpr size_t LEVEL_SLOT_SIZE = 29;

// The file offset of the slot in the image's manifest (resource type 24, id 1); 0 when the
// image has no manifest with exactly one such slot holding one of EXECUTION_LEVELS.
size_t find_level_slot(const Bytes &image);

// The level in the slot at `slot` (found by find_level_slot).
std::string level_in_slot(const Bytes &image, size_t slot);

// Writes `level`, one of EXECUTION_LEVELS, into the slot.
void put_level(Bytes &image, size_t slot, std::string_view level);

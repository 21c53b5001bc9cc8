// The parts of the stub's PE image that change in each copy besides the configuration
// block: the execution level in the manifest, and the PE checksum of the finished file.
#pragma once

#include "options.h"
#include "output_file.h"

#include <cstdint>
#include <vector>

// Sets the execution level asked for (--elevation) and clears the CheckSum field, which
// write_checksum fills in at the end. Returns that field's offset, 0 when the stub is no PE
// image. Refuses (MakeError) a level asked for when the stub's manifest has no slot for it.
size_t prepare_stub_copy(std::vector<uint8_t> &stub, const Options &options);

// Sums the whole file as written so far and stores the checksum at `field`.
void write_checksum(OutputFile &out, size_t field);

// Finding things in a 32-bit PE image held in memory. Every read is bounds-checked: a
// damaged or foreign image yields "not found", never a read outside the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct FileRange {
    size_t offset = 0, size = 0; // size 0: nothing found
};

// The file offset of the optional header's CheckSum field; 0 when `image` is no PE32 image.
size_t checksum_field_offset(const Bytes &image);

// Where the data of the resource with ordinal type and id lies in the file (its first
// language when there are several).
FileRange find_resource(const Bytes &image, uint16_t type, uint16_t id);

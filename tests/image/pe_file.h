// Reading PE images for the image tests: little-endian fields, the section table and the
// checksum. Written apart from the layout tool so that the two check each other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The whole file; empty when it cannot be read.
Bytes read_file(const std::string &path);
void write_file(const std::string &path, const Bytes &bytes);

uint32_t le16(const Bytes &image, uint64_t at);
uint32_t le32(const Bytes &image, uint64_t at);

// Offsets from the PE signature and inside the 32-bit optional header.
constexpr uint32_t FILE_HEADER = 4;
constexpr uint32_t OPTIONAL_HEADER = 24;
constexpr uint32_t OPT_FILE_ALIGNMENT = 36;
constexpr uint32_t OPT_SIZE_OF_HEADERS = 60;
constexpr uint32_t OPT_CHECKSUM = 64;
constexpr uint32_t OPT_DIRECTORIES = 96;

struct Section {
    std::string name;
    uint32_t entry; // file offset of its section table entry
    uint32_t virtual_address;
    uint32_t raw_size;
    uint32_t raw_pointer;
};

struct PeLayout {
    uint32_t pe;            // file offset of "PE\0\0"
    uint32_t section_table; // file offset of the section table
    uint32_t headers_end;   // end of the section table
    std::vector<Section> sections;
};

// Locates the headers through e_lfanew; sections is empty when the image is too short.
PeLayout read_pe_layout(const Bytes &image);

// The file offset of an RVA inside some section's raw data, or 0.
uint32_t rva_to_offset(const PeLayout &layout, uint32_t rva);

// The checksum as the loader computes it: 16-bit words with end-around carry, the CheckSum
// field taken as zero, plus the file length.
uint32_t compute_pe_checksum(const Bytes &image, uint32_t checksum_field);

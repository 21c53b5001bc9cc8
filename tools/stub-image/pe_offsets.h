// Where the fields of a 32-bit PE image lie, for the tools that read and rewrite one.
#pragma once

#include <cstdint>

// In the DOS header: the file offset of the PE signature.
constexpr uint32_t DOS_PE_OFFSET = 0x3C;
// Offsets from the PE signature: "PE\0\0", the file header, then the optional header.
constexpr uint32_t PE_MACHINE = 4;
constexpr uint32_t PE_SECTION_COUNT = 6;
constexpr uint32_t PE_SYMBOL_TABLE = 12;
constexpr uint32_t PE_OPTIONAL_SIZE = 20;
constexpr uint32_t PE_OPTIONAL = 24;
// Offsets in the 32-bit optional header.
constexpr uint32_t OPT_MAGIC = 0;
constexpr uint32_t OPT_FILE_ALIGNMENT = 36;
constexpr uint32_t OPT_SIZE_OF_HEADERS = 60;
constexpr uint32_t OPT_CHECKSUM = 64;
constexpr uint32_t OPT_DIRECTORY_COUNT = 92;
constexpr uint32_t OPT_DIRECTORIES = 96;
constexpr uint32_t DIRECTORY_SIZE = 8;
constexpr uint32_t DIR_CERTIFICATES = 4; // its address is a file offset, not an RVA
constexpr uint32_t DIR_DEBUG = 6;
constexpr uint32_t DIR_RESOURCES = 2;
// Offsets in a section table entry.
constexpr uint32_t SECTION_ENTRY_SIZE = 40;
constexpr uint32_t SEC_VIRTUAL_ADDRESS = 12;
constexpr uint32_t SEC_RAW_SIZE = 16;
constexpr uint32_t SEC_RAW_POINTER = 20;
constexpr uint32_t SEC_RELOCATIONS = 24;
constexpr uint32_t SEC_LINE_NUMBERS = 28;
// Offsets in a debug directory entry.
constexpr uint32_t DEBUG_ENTRY_SIZE = 28;
constexpr uint32_t DEBUG_RAW_POINTER = 24;
constexpr uint16_t MACHINE_I386 = 0x014C;
constexpr uint16_t PE32_MAGIC = 0x010B;

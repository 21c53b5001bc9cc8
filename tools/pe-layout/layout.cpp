// The stub's file layout. GNU ld puts the PE header at 0x80; the stub wants it at 0x510, with
// a DOS header and DOS program of its own in front and the configuration area in between:
//
//   0x000 +--------------------------------+
//         | DOS header, 64 bytes           |  marker "Kolvane95 " at 0x24,
//   0x040 +--------------------------------+  PE header offset 0x510 at 0x3C
//         | zeros                          |
//   0x200 +--------------------------------+
//         | configuration area, 705 bytes  |  zero here; the builder fills it in each copy
//   0x4C1 +--------------------------------+
//         | zeros                          |
//   0x4D0 +--------------------------------+
//         | DOS program, 58 bytes          |
//   0x50A +--------------------------------+
//         | zeros                          |
//   0x510 +--------------------------------+
//         | "PE\0\0", file header,         |  the input's, byte for byte, except for
//         | optional header, section table |  SizeOfHeaders, the file offsets and CheckSum
//         | zeros up to SizeOfHeaders      |
//         +--------------------------------+
//         | everything the input had after |  moved as one block by the change in the size
//         | its own SizeOfHeaders: section |  of the header area, so every file offset the
//         | raw data, symbol table, ...    |  headers hold moves by that same amount
//         +--------------------------------+
#include "layout.h"
#include "pe_checksum.h"
#include "pe_offsets.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

// The stub's file.
constexpr uint32_t DOS_PROGRAM_OFFSET = 0x4D0;
constexpr uint32_t PE_HEADER_OFFSET = 0x510;
constexpr uint32_t DOS_HEADER_SIZE = 0x40;
constexpr uint32_t DOS_MARKER = 0x24;
constexpr char MARKER[] = "Kolvane95 ";

// The words of the DOS header that are not zero. The DOS load module starts at 0x200, the
// configuration area; the DOS program runs at CS:IP = 0x2D:0, file offset 0x4D0, with its
// stack just past the 705-byte area.
struct DosWord {
    uint32_t offset;
    uint16_t value;
};
constexpr DosWord DOS_HEADER_WORDS[] = {
    {0x00, 0x5A4D}, // "MZ"
    {0x02, 0x010A}, // bytes on the last page: 2 * 512 + 266 = 1290 bytes, up to 0x50A
    {0x04, 3},      // pages
    {0x08, 0x20},   // header paragraphs: 512 bytes
    {0x0C, 0xFFFF}, // maximum extra paragraphs
    {0x10, 0x02C2}, // initial SP
    {0x16, 0x002D}, // initial CS
    {0x18, 0x40},   // relocation table offset
    {0x1C, 1},      // reserved words 1, 0, 1, 0
    {0x20, 1},
};

// The DOS program: a jump over the message, the message, then the code that prints it.
constexpr uint8_t DOS_JUMP[] = {0xEB, 0x2A};
constexpr char DOS_MESSAGE[] = "This program cannot be run in DOS mode.\r\n$";
constexpr uint8_t DOS_CODE[] = {
    0x0E,             // push cs
    0x1F,             // pop ds           ; the message lies in the code segment
    0xB4, 0x09,       // mov ah, 9        ; DOS: print the "$"-terminated text at DS:DX
    0xBA, 0x02, 0x00, // mov dx, 2        ; the message, just past the jump
    0xCD, 0x21,       // int 21h
    0xB8, 0x01, 0x4C, // mov ax, 4C01h    ; DOS: end the process with exit code 1
    0xCD, 0x21,       // int 21h
};
constexpr uint32_t DOS_MESSAGE_LENGTH = sizeof DOS_MESSAGE - 1;
static_assert(DOS_JUMP[1] == DOS_MESSAGE_LENGTH);
static_assert(sizeof DOS_JUMP + DOS_MESSAGE_LENGTH + sizeof DOS_CODE == 58);

using Bytes = std::vector<uint8_t>;

uint16_t get16(const Bytes &b, uint64_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}
uint32_t get32(const Bytes &b, uint64_t at) {
    return get16(b, at) | uint32_t(get16(b, at + 2)) << 16;
}
void put16(Bytes &b, uint64_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(Bytes &b, uint64_t at, uint32_t v) {
    put16(b, at, uint16_t(v));
    put16(b, at + 2, uint16_t(v >> 16));
}

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

void require(bool ok, const std::string &why) {
    if (!ok)
        throw std::runtime_error(why);
}

// Where the input's headers are, all checked to lie inside the file.
struct Headers {
    uint32_t pe;       // PE signature
    uint32_t end;      // end of the section table
    uint32_t sections; // section table
    uint32_t section_count;
    uint32_t directory_count;
    uint32_t size_of_headers;
    uint32_t file_alignment;
};

Headers read_headers(const Bytes &in) {
    require(in.size() >= DOS_HEADER_SIZE, "too short for an executable");
    require(in[0] == 'M' && in[1] == 'Z', "no MZ signature");
    Headers h;
    h.pe = get32(in, DOS_PE_OFFSET);
    require(uint64_t(h.pe) + PE_OPTIONAL + OPT_DIRECTORIES <= in.size(),
            "PE header offset " + hex(h.pe) + " lies past the end of the file");
    require(get32(in, h.pe) == 0x4550, "no PE signature at " + hex(h.pe));
    require(get16(in, h.pe + PE_MACHINE) == MACHINE_I386, "not an i386 image");

    const uint32_t optional = h.pe + PE_OPTIONAL;
    const uint32_t optional_size = get16(in, h.pe + PE_OPTIONAL_SIZE);
    require(get16(in, optional + OPT_MAGIC) == PE32_MAGIC && optional_size >= OPT_DIRECTORIES,
            "not a 32-bit PE image");
    h.directory_count = get32(in, optional + OPT_DIRECTORY_COUNT);
    require(OPT_DIRECTORIES + uint64_t(h.directory_count) * DIRECTORY_SIZE <= optional_size,
            "more data directories than the optional header holds");

    h.sections = optional + optional_size;
    h.section_count = get16(in, h.pe + PE_SECTION_COUNT);
    const uint64_t end = uint64_t(h.sections) + uint64_t(h.section_count) * SECTION_ENTRY_SIZE;
    h.file_alignment = get32(in, optional + OPT_FILE_ALIGNMENT);
    h.size_of_headers = get32(in, optional + OPT_SIZE_OF_HEADERS);
    require(h.file_alignment >= 512 && h.file_alignment <= 0x10000 &&
                (h.file_alignment & (h.file_alignment - 1)) == 0,
            "file alignment " + hex(h.file_alignment) + " is not a power of two from 512 to 64K");
    require(h.size_of_headers % h.file_alignment == 0 && h.size_of_headers <= in.size() &&
                end <= h.size_of_headers,
            "SizeOfHeaders " + hex(h.size_of_headers) +
                " does not cover the section table or is not aligned or lies past the end");
    h.end = uint32_t(end);
    // Whatever lies between the section table and SizeOfHeaders (bound imports, say) is
    // reached through RVAs inside the header area, which the move would break.
    require(std::all_of(in.begin() + h.end, in.begin() + h.size_of_headers,
                        [](uint8_t byte) { return byte == 0; }),
            "data after the section table would not survive the move of the headers");
    return h;
}

// Checks that each section's raw data lies in the file after the headers; returns the lowest
// section RVA, where the headers must end in memory at the latest.
uint32_t check_sections(const Bytes &in, const Headers &h) {
    uint32_t lowest_rva = UINT32_MAX;
    for (uint32_t i = 0; i < h.section_count; ++i) {
        const uint32_t entry = h.sections + i * SECTION_ENTRY_SIZE;
        const uint32_t pointer = get32(in, entry + SEC_RAW_POINTER);
        const uint32_t size = get32(in, entry + SEC_RAW_SIZE);
        require(size == 0 ||
                    (pointer >= h.size_of_headers && uint64_t(pointer) + size <= in.size()),
                "section " + std::to_string(i + 1) + "'s raw data at " + hex(pointer) +
                    " lies outside the file or inside the headers");
        lowest_rva = std::min(lowest_rva, get32(in, entry + SEC_VIRTUAL_ADDRESS));
    }
    return lowest_rva;
}

// Moves the file offset held at `at` in the output by `delta`; 0 means "none" and stays.
void shift(Bytes &out, uint64_t at, int64_t delta, const Headers &h, uint64_t input_size,
           const char *what) {
    const uint32_t offset = get32(out, at);
    if (offset == 0)
        return;
    require(offset >= h.size_of_headers && offset <= input_size,
            std::string(what) + " at " + hex(offset) +
                " lies outside the file or inside the headers");
    put32(out, at, uint32_t(offset + delta));
}

// The debug directory is found by RVA; its entries hold the file offsets of their data.
void shift_debug_entries(Bytes &out, uint32_t pe, int64_t delta, const Headers &h,
                         uint64_t input_size) {
    if (h.directory_count <= DIR_DEBUG)
        return;
    const uint32_t directory = pe + PE_OPTIONAL + OPT_DIRECTORIES + DIR_DEBUG * DIRECTORY_SIZE;
    const uint32_t rva = get32(out, directory);
    const uint32_t size = get32(out, directory + 4);
    if (size == 0)
        return;
    const uint32_t sections = pe + (h.sections - h.pe);
    for (uint32_t i = 0; i < h.section_count; ++i) {
        const uint32_t entry = sections + i * SECTION_ENTRY_SIZE;
        const uint32_t start = get32(out, entry + SEC_VIRTUAL_ADDRESS);
        const uint32_t raw_size = get32(out, entry + SEC_RAW_SIZE);
        if (rva < start || uint64_t(rva) + size > uint64_t(start) + raw_size)
            continue;
        const uint64_t first = get32(out, entry + SEC_RAW_POINTER) + uint64_t(rva - start);
        for (uint64_t at = first; at + DEBUG_ENTRY_SIZE <= first + size; at += DEBUG_ENTRY_SIZE)
            shift(out, at + DEBUG_RAW_POINTER, delta, h, input_size, "debug data");
        return;
    }
    throw std::runtime_error("debug directory at RVA " + hex(rva) +
                             " lies in no section's raw data");
}

void write_dos_part(Bytes &out) {
    for (const DosWord &word : DOS_HEADER_WORDS)
        put16(out, word.offset, word.value);
    std::copy_n(MARKER, sizeof MARKER - 1, &out[DOS_MARKER]);
    put32(out, DOS_PE_OFFSET, PE_HEADER_OFFSET);

    uint8_t *program = &out[DOS_PROGRAM_OFFSET];
    program = std::copy_n(DOS_JUMP, sizeof DOS_JUMP, program);
    program = std::copy_n(DOS_MESSAGE, DOS_MESSAGE_LENGTH, program);
    std::copy_n(DOS_CODE, sizeof DOS_CODE, program);
}

} // namespace

std::vector<uint8_t> lay_out_image(const std::vector<uint8_t> &in) {
    const Headers h = read_headers(in);
    const uint32_t lowest_rva = check_sections(in, h);

    const uint32_t headers_end = PE_HEADER_OFFSET + (h.end - h.pe);
    const uint32_t size_of_headers =
        (headers_end + h.file_alignment - 1) / h.file_alignment * h.file_alignment;
    require(size_of_headers <= lowest_rva,
            "the PE headers moved to 0x510 would end at " + hex(headers_end) +
                ", which does not fit below the first section at RVA " + hex(lowest_rva));
    const int64_t delta = int64_t(size_of_headers) - int64_t(h.size_of_headers);

    Bytes out(size_of_headers + (in.size() - h.size_of_headers), 0);
    write_dos_part(out);
    std::copy(&in[h.pe], &in[h.end], &out[PE_HEADER_OFFSET]);
    std::copy(in.begin() + h.size_of_headers, in.end(), out.begin() + size_of_headers);

    const uint32_t pe = PE_HEADER_OFFSET;
    const uint32_t optional = pe + PE_OPTIONAL;
    put32(out, optional + OPT_SIZE_OF_HEADERS, size_of_headers);
    shift(out, pe + PE_SYMBOL_TABLE, delta, h, in.size(), "symbol table");
    if (h.directory_count > DIR_CERTIFICATES)
        shift(out, optional + OPT_DIRECTORIES + DIR_CERTIFICATES * DIRECTORY_SIZE, delta, h,
              in.size(), "certificate table");
    for (uint32_t i = 0; i < h.section_count; ++i) {
        const uint32_t entry = pe + (h.sections - h.pe) + i * SECTION_ENTRY_SIZE;
        shift(out, entry + SEC_RAW_POINTER, delta, h, in.size(), "section raw data");
        shift(out, entry + SEC_RELOCATIONS, delta, h, in.size(), "section relocations");
        shift(out, entry + SEC_LINE_NUMBERS, delta, h, in.size(), "section line numbers");
    }
    shift_debug_entries(out, pe, delta, h, in.size());

    put32(out, optional + OPT_CHECKSUM, 0);
    PeChecksum checksum;
    checksum.add(out.data(), out.size());
    put32(out, optional + OPT_CHECKSUM, checksum.value());
    return out;
}

#include "stub_layout.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Field {
    uint32_t offset;
    uint32_t width;
    uint32_t value;
    const char *name;
};

// The DOS header as the layout table gives it.
const Field DOS_HEADER[] = {
    {0x00, 2, 0x5A4D, "signature \"MZ\""},
    {0x02, 2, 0x010A, "bytes on the last page"},
    {0x04, 2, 3, "pages"},
    {0x06, 2, 0, "relocation count"},
    {0x08, 2, 0x20, "header size in paragraphs"},
    {0x0A, 2, 0, "minimum extra paragraphs"},
    {0x0C, 2, 0xFFFF, "maximum extra paragraphs"},
    {0x0E, 2, 0, "initial SS"},
    {0x10, 2, 0x02C2, "initial SP"},
    {0x12, 2, 0, "checksum"},
    {0x14, 2, 0, "initial IP"},
    {0x16, 2, 0x002D, "initial CS"},
    {0x18, 2, 0x40, "relocation table offset"},
    {0x1A, 2, 0, "overlay number"},
    {0x1C, 2, 1, "reserved word 1"},
    {0x1E, 2, 0, "reserved word 2"},
    {0x20, 2, 1, "reserved word 3"},
    {0x22, 2, 0, "reserved word 4"},
    {0x3C, 4, 0x510, "offset of the PE header"},
};

struct Span {
    uint32_t begin;
    uint32_t end;
    const char *name;
};

// Everything between the fields that must be zero, the configuration area included.
const Span ZERO_SPANS[] = {
    {0x2E, 0x3C, "reserved bytes after the marker"},
    {0x40, 0x200, "bytes before the configuration area"},
    {0x200, 0x4C1, "configuration area"},
    {0x4C1, 0x4D0, "bytes before the DOS program"},
    {0x50A, 0x510, "bytes before the PE header"},
};

// A short jump over the text, the text, then the code that prints it and ends with code 1.
Bytes expected_dos_program() {
    const std::string jump("\xEB\x2A", 2);
    const std::string text = "This program cannot be run in DOS mode.\r\n$";
    const std::string code("\x0E\x1F\xB4\x09\xBA\x02\x00\xCD\x21\xB8\x01\x4C\xCD\x21", 14);
    const std::string program = jump + text + code;
    return Bytes(program.begin(), program.end());
}

void expect_dos_part(const Bytes &image) {
    for (const Field &field : DOS_HEADER) {
        const uint32_t value =
            field.width == 2 ? le16(image, field.offset) : le32(image, field.offset);
        EXPECT_EQ(value, field.value) << field.name << " at " << field.offset;
    }
    EXPECT_EQ(std::string(image.begin() + 0x24, image.begin() + 0x2E), "Kolvane95 ");
    for (const Span &span : ZERO_SPANS) {
        const auto nonzero = std::find_if(image.begin() + span.begin, image.begin() + span.end,
                                          [](uint8_t byte) { return byte != 0; });
        EXPECT_EQ(nonzero, image.begin() + span.end)
            << span.name << ": byte at " << (nonzero - image.begin()) << " is not zero";
    }
    const Bytes program = expected_dos_program();
    ASSERT_EQ(program.size(), 58u);
    EXPECT_EQ(Bytes(image.begin() + 0x4D0, image.begin() + 0x50A), program);
}

// The PE headers with the fields the layout step may change set to zero: SizeOfHeaders,
// CheckSum and every field holding a file offset.
Bytes comparable_headers(const Bytes &image, const PeLayout &layout) {
    Bytes headers(image.begin() + layout.pe, image.begin() + layout.headers_end);
    const auto clear = [&](uint32_t file_offset) {
        std::fill_n(headers.begin() + (file_offset - layout.pe), 4, 0);
    };
    const uint32_t optional = layout.pe + OPTIONAL_HEADER;
    clear(layout.pe + FILE_HEADER + 8); // symbol table
    clear(optional + OPT_SIZE_OF_HEADERS);
    clear(optional + OPT_CHECKSUM);
    if (le32(image, optional + 92) > 4)
        clear(optional + OPT_DIRECTORIES + 8 * 4); // certificate table
    for (const Section &section : layout.sections) {
        clear(section.entry + 20); // raw data
        clear(section.entry + 24); // relocations
        clear(section.entry + 28); // line numbers
    }
    return headers;
}

// The image with the file offsets held in its section data set to zero: those of the debug
// directory's entries.
Bytes comparable_data(const Bytes &image, const PeLayout &layout) {
    Bytes data = image;
    const uint32_t directory = layout.pe + OPTIONAL_HEADER + OPT_DIRECTORIES + 8 * 6;
    if (le32(image, layout.pe + OPTIONAL_HEADER + 92) <= 6 || le32(image, directory + 4) == 0)
        return data;
    const uint32_t first = rva_to_offset(layout, le32(image, directory));
    const uint32_t size = le32(image, directory + 4);
    if (first == 0 || uint64_t(first) + size > image.size())
        return data;
    for (uint32_t entry = 0; entry + 28 <= size; entry += 28)
        std::fill_n(data.begin() + first + entry + 24, 4, 0);
    return data;
}

} // namespace

void expect_stub_layout(const Bytes &linked_file, const Bytes &image_file) {
    ASSERT_GE(image_file.size(), 0x510u + OPTIONAL_HEADER + OPT_DIRECTORIES);
    expect_dos_part(image_file);

    const PeLayout before = read_pe_layout(linked_file);
    const PeLayout after = read_pe_layout(image_file);
    ASSERT_EQ(after.pe, 0x510u);
    const Bytes linked = comparable_data(linked_file, before);
    const Bytes image = comparable_data(image_file, after);
    EXPECT_EQ(le32(image, 0x510), 0x4550u) << "no \"PE\\0\\0\" at 0x510";
    ASSERT_FALSE(before.sections.empty());
    ASSERT_EQ(after.sections.size(), before.sections.size());
    EXPECT_EQ(comparable_headers(image, after), comparable_headers(linked, before));

    const uint32_t optional = after.pe + OPTIONAL_HEADER;
    const uint32_t alignment = le32(image, optional + OPT_FILE_ALIGNMENT);
    const uint32_t headers_size = le32(image, optional + OPT_SIZE_OF_HEADERS);
    const uint32_t linked_headers_size =
        le32(linked, before.pe + OPTIONAL_HEADER + OPT_SIZE_OF_HEADERS);
    ASSERT_NE(alignment, 0u);
    EXPECT_EQ(headers_size % alignment, 0u);
    EXPECT_GE(headers_size, after.headers_end);
    EXPECT_LT(headers_size - after.headers_end, alignment) << "header area larger than needed";
    EXPECT_TRUE(std::all_of(image.begin() + after.headers_end, image.begin() + headers_size,
                            [](uint8_t byte) { return byte == 0; }))
        << "padding after the section table is not zero";

    for (size_t i = 0; i < after.sections.size(); ++i) {
        const Section &old_section = before.sections[i];
        const Section &section = after.sections[i];
        SCOPED_TRACE("section " + section.name);
        EXPECT_LE(headers_size, section.virtual_address) << "headers overlap it in memory";
        if (section.raw_size == 0)
            continue;
        EXPECT_EQ(section.raw_pointer % alignment, 0u);
        EXPECT_GE(section.raw_pointer, headers_size);
        ASSERT_LE(uint64_t(section.raw_pointer) + section.raw_size, image.size());
        EXPECT_TRUE(std::equal(image.begin() + section.raw_pointer,
                               image.begin() + section.raw_pointer + section.raw_size,
                               linked.begin() + old_section.raw_pointer))
            << "raw data differs from the linked image's";
    }

    // Everything after the header area moves as one block.
    ASSERT_EQ(image.size() - headers_size, linked.size() - linked_headers_size);
    EXPECT_TRUE(std::equal(image.begin() + headers_size, image.end(),
                           linked.begin() + linked_headers_size));

    const uint32_t checksum = le32(image_file, optional + OPT_CHECKSUM);
    EXPECT_NE(checksum, 0u);
    EXPECT_EQ(checksum, compute_pe_checksum(image_file, optional + OPT_CHECKSUM));
}

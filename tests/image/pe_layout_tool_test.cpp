// The layout tool on images made here: every file offset the headers hold must follow its
// data, and input that is not a fitting i386 PE32 image must be refused without output.
#include "stub_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string messages;
    Bytes output; // empty when the tool wrote nothing
};

ToolRun run_tool(const Bytes &input, const std::string &name) {
    const std::string base = testing::TempDir() + "kolvane-pe-layout-" + name;
    const std::string in = base + ".in", out = base + ".out", err = base + ".err";
    write_file(in, input);
    std::remove(out.c_str());
    const std::string command =
        std::string("'") + KOLVANE_PE_LAYOUT + "' '" + in + "' '" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    const Bytes messages = read_file(err);
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                std::string(messages.begin(), messages.end()), read_file(out)};
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    return run;
}

void put16(Bytes &image, size_t at, uint32_t value) {
    image[at] = uint8_t(value);
    image[at + 1] = uint8_t(value >> 8);
}
void put32(Bytes &image, size_t at, uint32_t value) {
    put16(image, at, value & 0xFFFF);
    put16(image, at + 2, value >> 16);
}

// An image shaped the way GNU ld writes one: "MZ", PE header at 0x80, a 224-byte optional
// header, sections of 0x200 bytes each with a pattern of their own. With `file_offsets`
// it also carries every other kind of file offset a header can hold, each pointing at a
// 16-byte tag behind the sections: a symbol table, section relocations and line numbers,
// a debug directory entry's data (the directory itself lies in the last section) and a
// certificate table.
struct Shape {
    uint32_t section_count = 2;
    uint32_t headers_size = 0x400;
    uint32_t first_rva = 0x1000;
    bool file_offsets = true;
};

constexpr uint32_t PE = 0x80;
constexpr uint32_t OPTIONAL = PE + OPTIONAL_HEADER;
constexpr uint32_t SECTIONS = OPTIONAL + 224;
constexpr uint32_t RAW_SIZE = 0x200;
constexpr uint32_t DEBUG_DIRECTORY_IN_SECTION = 0x10;
constexpr uint32_t TAG_SIZE = 16;
const char *const TAGS[] = {"symbol-table-tag", "relocations--tag", "line-numbers-tag",
                            "debug-data---tag", "certificate--tag"};
constexpr int TAG_COUNT = 5;

uint32_t tag_offset(const Shape &shape, int tag) {
    return shape.headers_size + shape.section_count * RAW_SIZE + tag * TAG_SIZE;
}

Bytes synthetic_image(const Shape &shape) {
    Bytes image(shape.headers_size + shape.section_count * RAW_SIZE +
                    (shape.file_offsets ? TAG_COUNT * TAG_SIZE : 0),
                0);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, PE);
    put32(image, PE, 0x4550);
    put16(image, PE + FILE_HEADER, 0x014C);
    put16(image, PE + FILE_HEADER + 2, shape.section_count);
    put16(image, PE + FILE_HEADER + 16, 224);
    put16(image, PE + FILE_HEADER + 18, 0x0102);
    put16(image, OPTIONAL, 0x010B);
    put32(image, OPTIONAL + 28, 0x400000);
    put32(image, OPTIONAL + 32, 0x1000);
    put32(image, OPTIONAL + OPT_FILE_ALIGNMENT, 0x200);
    put32(image, OPTIONAL + 56, shape.first_rva + shape.section_count * 0x1000);
    put32(image, OPTIONAL + OPT_SIZE_OF_HEADERS, shape.headers_size);
    put32(image, OPTIONAL + OPT_CHECKSUM, 0x5EED5EED); // stale, as from a linker that sets one
    put16(image, OPTIONAL + 68, 2);
    put32(image, OPTIONAL + 92, 16);
    for (uint32_t i = 0; i < shape.section_count; ++i) {
        const uint32_t entry = SECTIONS + 40 * i;
        const uint32_t raw = shape.headers_size + i * RAW_SIZE;
        image[entry] = '.';
        image[entry + 1] = char('a' + i % 26);
        put32(image, entry + 8, RAW_SIZE);
        put32(image, entry + 12, shape.first_rva + i * 0x1000);
        put32(image, entry + 16, RAW_SIZE);
        put32(image, entry + 20, raw);
        for (uint32_t j = 0; j < RAW_SIZE; ++j)
            image[raw + j] = uint8_t(i * 37 + j * 3 + 1);
    }
    if (!shape.file_offsets)
        return image;

    for (int tag = 0; tag < TAG_COUNT; ++tag)
        std::copy_n(TAGS[tag], TAG_SIZE, &image[tag_offset(shape, tag)]);
    put32(image, PE + FILE_HEADER + 8, tag_offset(shape, 0));
    put32(image, SECTIONS + 24, tag_offset(shape, 1));
    put32(image, SECTIONS + 28, tag_offset(shape, 2));
    const uint32_t last = shape.section_count - 1;
    const uint32_t debug_rva = shape.first_rva + last * 0x1000 + DEBUG_DIRECTORY_IN_SECTION;
    const uint32_t debug_entry = shape.headers_size + last * RAW_SIZE + DEBUG_DIRECTORY_IN_SECTION;
    std::fill_n(&image[debug_entry], 28, 0);
    put32(image, debug_entry + 16, TAG_SIZE);
    put32(image, debug_entry + 24, tag_offset(shape, 3));
    put32(image, OPTIONAL + OPT_DIRECTORIES + 8 * 6, debug_rva);
    put32(image, OPTIONAL + OPT_DIRECTORIES + 8 * 6 + 4, 28);
    put32(image, OPTIONAL + OPT_DIRECTORIES + 8 * 4, tag_offset(shape, 4));
    put32(image, OPTIONAL + OPT_DIRECTORIES + 8 * 4 + 4, TAG_SIZE);
    return image;
}

// Where each tag's file offset is held, as a file offset in an image with its PE header at
// `pe` and the given debug entry.
std::vector<uint32_t> tag_holders(uint32_t pe, uint32_t debug_entry) {
    const uint32_t optional = pe + OPTIONAL_HEADER;
    const uint32_t sections = optional + 224;
    return {pe + FILE_HEADER + 8, sections + 24, sections + 28, debug_entry + 24,
            optional + OPT_DIRECTORIES + 8 * 4};
}

void expect_tags_followed(const Bytes &input, const Bytes &output) {
    const PeLayout before = read_pe_layout(input);
    const PeLayout after = read_pe_layout(output);
    const auto debug_entry = [](const Bytes &image, const PeLayout &layout) {
        return rva_to_offset(layout,
                             le32(image, layout.pe + OPTIONAL_HEADER + OPT_DIRECTORIES + 8 * 6));
    };
    const std::vector<uint32_t> old_holders = tag_holders(before.pe, debug_entry(input, before));
    const std::vector<uint32_t> new_holders = tag_holders(after.pe, debug_entry(output, after));
    for (int tag = 0; tag < TAG_COUNT; ++tag) {
        SCOPED_TRACE(TAGS[tag]);
        const uint32_t old_offset = le32(input, old_holders[tag]);
        const uint32_t new_offset = le32(output, new_holders[tag]);
        ASSERT_LE(uint64_t(new_offset) + TAG_SIZE, output.size());
        EXPECT_EQ(std::string(output.begin() + new_offset, output.begin() + new_offset + TAG_SIZE),
                  std::string(input.begin() + old_offset, input.begin() + old_offset + TAG_SIZE));
    }
}

} // namespace

TEST(PeLayoutTool, MovesEveryFileOffsetAlongWithItsData) {
    const Shape shapes[] = {
        {}, // header area grows: 0x400 -> 0x800
        {.section_count = 3, .headers_size = 0x1000, .first_rva = 0x2000}, // and shrinks
        {.section_count = 5, .file_offsets = false},                       // nothing but sections
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE("headers " + std::to_string(shape.headers_size) + ", " +
                     std::to_string(shape.section_count) + " sections");
        const Bytes input = synthetic_image(shape);
        const ToolRun run = run_tool(input, "moves");
        ASSERT_EQ(run.status, 0) << run.messages;
        expect_stub_layout(input, run.output);
        if (shape.file_offsets)
            expect_tags_followed(input, run.output);
    }
}

TEST(PeLayoutTool, RefusesInputThatIsNotAFittingI386Pe32Image) {
    const Bytes valid = synthetic_image({});
    Bytes noise(4096);
    uint32_t seed = 12345;
    for (uint8_t &byte : noise)
        byte = uint8_t((seed = seed * 1103515245 + 12345) >> 16);

    struct Case {
        const char *name;
        Bytes input;
    } cases[] = {
        {"empty", {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
        {"noise", noise},
        {"dos-header-only", Bytes(valid.begin(), valid.begin() + 0x40)},
        {"pe-offset-past-end", valid},
        {"no-pe-signature", valid},
        {"amd64", valid},
        {"pe32-plus", valid},
        {"odd-file-alignment", valid},
        {"section-past-end", Bytes(valid.begin(), valid.end() - 0x300)},
        {"section-inside-headers", valid},
        {"too-many-sections", synthetic_image({.section_count = 70, .headers_size = 0x1000})},
        {"data-after-section-table", valid},
    };
    put32(cases[4].input, 0x3C, 0x7FFFFFF0);
    put32(cases[5].input, PE, 0x4551);
    put16(cases[6].input, PE + FILE_HEADER, 0x8664);
    put16(cases[7].input, OPTIONAL, 0x020B);
    put32(cases[8].input, OPTIONAL + OPT_FILE_ALIGNMENT, 0x300);
    put32(cases[10].input, SECTIONS + 20, 0x200);
    cases[12].input[SECTIONS + 2 * 40 + 8] = 1;

    for (const Case &refused : cases) {
        SCOPED_TRACE(refused.name);
        const ToolRun run = run_tool(refused.input, refused.name);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.messages.find(refused.name), std::string::npos)
            << "the message does not name the input: " << run.messages;
        EXPECT_TRUE(run.output.empty()) << "wrote output for refused input";
    }
}

TEST(PeLayoutTool, AsksForTwoFileNames) {
    const int status =
        std::system((std::string("'") + KOLVANE_PE_LAYOUT + "' 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

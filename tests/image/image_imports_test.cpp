// The built stub's imports and headers: what Windows 95 and NT 3.51 need to load it.
#include "pe_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

namespace {

constexpr uint32_t DIR_IMPORTS = 1;
constexpr uint32_t IMPORT_DESCRIPTOR_SIZE = 20;
constexpr uint32_t ORDINAL_FLAG = 0x80000000;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string text_at(const Bytes &image, uint32_t offset) {
    std::string text;
    while (offset < image.size() && image[offset] != 0)
        text += char(image[offset++]);
    return text;
}

// Every import as "dll!function" (dll in lower case, "#n" for an import by ordinal).
void read_imports(const Bytes &image, std::vector<std::string> &imports) {
    const PeLayout layout = read_pe_layout(image);
    ASSERT_FALSE(layout.sections.empty()) << "no PE headers";
    const uint32_t directory = layout.pe + OPTIONAL_HEADER + OPT_DIRECTORIES + 8 * DIR_IMPORTS;
    uint32_t descriptor = rva_to_offset(layout, le32(image, directory));
    ASSERT_NE(descriptor, 0u) << "import directory outside the sections";
    for (;; descriptor += IMPORT_DESCRIPTOR_SIZE) {
        const uint32_t lookup_rva = le32(image, descriptor);
        const uint32_t name_rva = le32(image, descriptor + 12);
        const uint32_t address_rva = le32(image, descriptor + 16);
        if (name_rva == 0 && address_rva == 0)
            break;
        const std::string dll = lower(text_at(image, rva_to_offset(layout, name_rva)));
        uint32_t thunk = rva_to_offset(layout, lookup_rva != 0 ? lookup_rva : address_rva);
        ASSERT_NE(thunk, 0u) << dll << ": lookup table outside the sections";
        for (; le32(image, thunk) != 0; thunk += 4) {
            const uint32_t entry = le32(image, thunk);
            if (entry & ORDINAL_FLAG) {
                imports.push_back(dll + "!#" + std::to_string(entry & 0xFFFF));
            } else {
                const uint32_t hint_name = rva_to_offset(layout, entry);
                ASSERT_NE(hint_name, 0u) << dll << ": name outside the sections";
                imports.push_back(dll + "!" + text_at(image, hint_name + 2));
            }
        }
    }
}

std::set<std::string> read_allow_list(const std::string &path) {
    std::set<std::string> allowed;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line[0] != '#')
            allowed.insert(lower(line.substr(0, line.find('!'))) + line.substr(line.find('!')));
    }
    return allowed;
}

Bytes load_stub() {
    Bytes image = read_file(KOLVANE_STUB);
    EXPECT_FALSE(image.empty()) << KOLVANE_STUB << " is missing; build it with `make win`";
    return image;
}

} // namespace

TEST(StubImports, AreAllOnTheListOfFunctionsBothWindows95AndNt351Export) {
    const Bytes image = load_stub();
    ASSERT_FALSE(image.empty());
    const std::set<std::string> allowed = read_allow_list(KOLVANE_IMPORTS_ALLOWED);
    ASSERT_FALSE(allowed.empty()) << KOLVANE_IMPORTS_ALLOWED << " is missing or empty";

    std::vector<std::string> imports;
    ASSERT_NO_FATAL_FAILURE(read_imports(image, imports));
    ASSERT_FALSE(imports.empty());
    EXPECT_NE(std::find(imports.begin(), imports.end(), "kernel32.dll!ExitProcess"), imports.end())
        << "the entry point's ExitProcess was not found: the import parser is off";
    for (const std::string &import : imports)
        EXPECT_TRUE(allowed.count(import)) << import << " is not on the allow-list";
}

TEST(StubImports, ComeOnlyFromSystemDllsWithNoCRuntime) {
    const Bytes image = load_stub();
    ASSERT_FALSE(image.empty());
    std::vector<std::string> imports;
    ASSERT_NO_FATAL_FAILURE(read_imports(image, imports));
    const std::set<std::string> system_dlls = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                               "comctl32.dll", "comdlg32.dll", "shell32.dll",
                                               "advapi32.dll"};
    for (const std::string &import : imports) {
        const std::string dll = import.substr(0, import.find('!'));
        EXPECT_TRUE(system_dlls.count(dll)) << dll << " is not a system DLL of Windows 95";
        EXPECT_EQ(dll.find("msvcr"), std::string::npos) << import;
        EXPECT_EQ(dll.find("ucrt"), std::string::npos) << import;
        EXPECT_NE(dll.rfind("api-ms-", 0), 0u) << import;
    }
}

TEST(StubHeaders, DescribeA32BitI386GuiProgramThatNt351Loads) {
    const Bytes image = load_stub();
    ASSERT_FALSE(image.empty());
    const PeLayout layout = read_pe_layout(image);
    ASSERT_FALSE(layout.sections.empty());
    const uint32_t file_header = layout.pe + FILE_HEADER;
    const uint32_t optional = layout.pe + OPTIONAL_HEADER;

    EXPECT_EQ(le16(image, file_header), 0x014Cu) << "machine is not i386";
    const uint32_t characteristics = le16(image, file_header + 18);
    EXPECT_TRUE(characteristics & 0x0002) << "not marked executable";
    EXPECT_TRUE(characteristics & 0x0100) << "not marked 32-bit";
    EXPECT_FALSE(characteristics & 0x2000) << "marked as a DLL";
    EXPECT_EQ(le16(image, optional), 0x010Bu) << "not a PE32 optional header";
    EXPECT_EQ(le16(image, optional + 68), 2u) << "subsystem is not Windows GUI";

    // NT 3.51 refuses a subsystem version newer than its own; Windows 95 wants 3.10 at least.
    const uint32_t major = le16(image, optional + 48);
    const uint32_t minor = le16(image, optional + 50);
    EXPECT_EQ(major, 3u);
    EXPECT_GE(minor, 10u);
    EXPECT_LE(minor, 51u);
    // Windows 95 loads an executable without relocations only at 4 MB or above.
    EXPECT_GE(le32(image, optional + 28), 0x400000u) << "image base below 4 MB";
}

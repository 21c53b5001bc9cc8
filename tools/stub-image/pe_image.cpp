// The walk from the DOS header to a resource's data:
//
//   0x3C: offset of "PE\0\0"  ->  file header (section count, optional header size)
//     -> optional header (PE32 magic 0x10B, CheckSum at 64, data directories at 96:
//        directory 2 is the resource tree, an RVA and a size)
//     -> section table (40 bytes an entry): turns an RVA into a file offset
//   resource tree: three levels of directories (type, id, language). A directory is 16
//   bytes, the count of named entries at 12 and of ordinal entries at 14, then 8-byte
//   entries: name or ordinal, and an offset from the tree's start with bit 31 set when it
//   leads to a further directory. The leaf is a data entry: the data's RVA and size.
#include "pe_image.h"
#include "pe_offsets.h"

#include <optional>

namespace {

constexpr uint32_t SUBDIRECTORY = 0x80000000u;

std::optional<uint32_t> get(const Bytes &b, size_t at, int width) {
    if (at > b.size() || b.size() - at < (size_t)width)
        return std::nullopt;
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; i--)
        v = v << 8 | b[at + (size_t)i];
    return v;
}

struct Headers {
    size_t optional = 0, sections = 0, section_count = 0;
};

std::optional<Headers> pe_headers(const Bytes &image) {
    auto pe = get(image, DOS_PE_OFFSET, 4);
    if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z' || !pe ||
        get(image, *pe, 4) != 0x00004550u) // "PE\0\0"
        return std::nullopt;
    size_t signature = *pe;
    auto count = get(image, signature + PE_SECTION_COUNT, 2);
    auto optional_size = get(image, signature + PE_OPTIONAL_SIZE, 2);
    Headers h;
    h.optional = signature + PE_OPTIONAL;
    if (!count || !optional_size || get(image, h.optional, 2) != PE32_MAGIC ||
        *optional_size < OPT_DIRECTORIES)
        return std::nullopt;
    h.sections = h.optional + *optional_size;
    h.section_count = *count;
    return h;
}

// The file offset of `rva`, with at least `size` bytes of the section's raw data from there.
std::optional<size_t> file_offset(const Bytes &image, const Headers &h, uint32_t rva,
                                  uint32_t size) {
    for (size_t i = 0; i < h.section_count; i++) {
        size_t entry = h.sections + i * SECTION_ENTRY_SIZE;
        auto address = get(image, entry + SEC_VIRTUAL_ADDRESS, 4);
        auto raw_size = get(image, entry + SEC_RAW_SIZE, 4);
        auto raw = get(image, entry + SEC_RAW_POINTER, 4);
        if (!address || !raw_size || !raw)
            return std::nullopt;
        if (rva < *address || rva - *address >= *raw_size)
            continue;
        uint64_t offset = (uint64_t)*raw + (rva - *address);
        if (size > *raw_size - (rva - *address) || offset + size > image.size())
            return std::nullopt;
        return (size_t)offset;
    }
    return std::nullopt;
}

// The offset (from the tree's start) of the entry for `id` in the directory at `directory`,
// or of the first entry when id is 0; bit 31 of the result tells a subdirectory.
std::optional<uint32_t> directory_entry(const Bytes &image, size_t directory, uint16_t id) {
    auto named = get(image, directory + 12, 2);
    auto ordinals = get(image, directory + 14, 2);
    if (!named || !ordinals)
        return std::nullopt;
    for (size_t i = 0; i < *named + *ordinals; i++) {
        size_t entry = directory + 16 + 8 * i;
        auto name = get(image, entry, 4);
        auto target = get(image, entry + 4, 4);
        if (!name || !target)
            return std::nullopt;
        if (id == 0 || (i >= *named && *name == id))
            return target;
    }
    return std::nullopt;
}

} // namespace

size_t checksum_field_offset(const Bytes &image) {
    auto h = pe_headers(image);
    return h && get(image, h->optional + OPT_CHECKSUM, 4) ? h->optional + OPT_CHECKSUM : 0;
}

FileRange find_resource(const Bytes &image, uint16_t type, uint16_t id) {
    auto h = pe_headers(image);
    if (!h)
        return {};
    auto count = get(image, h->optional + OPT_DIRECTORY_COUNT, 4);
    size_t directory = h->optional + OPT_DIRECTORIES + 8 * DIR_RESOURCES;
    auto tree_rva = get(image, directory, 4);
    auto tree_size = get(image, directory + 4, 4);
    if (!count || *count <= DIR_RESOURCES || !tree_rva || !tree_size || !*tree_size)
        return {};
    auto tree = file_offset(image, *h, *tree_rva, *tree_size);
    if (!tree)
        return {};
    // Type, id, then the first language: the first two lead to directories, the last to a
    // data entry.
    size_t at = *tree;
    const uint16_t path[] = {type, id, 0};
    for (int level = 0; level < 3; level++) {
        auto target = directory_entry(image, at, path[level]);
        if (!target || (*target & SUBDIRECTORY) != (level < 2 ? SUBDIRECTORY : 0u) ||
            (*target & ~SUBDIRECTORY) >= *tree_size)
            return {};
        at = *tree + (*target & ~SUBDIRECTORY);
    }
    auto rva = get(image, at, 4);
    auto size = get(image, at + 4, 4);
    if (!rva || !size)
        return {};
    auto data = file_offset(image, *h, *rva, *size);
    return data ? FileRange{*data, *size} : FileRange{};
}

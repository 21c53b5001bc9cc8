#include "pe_file.h"

#include <fstream>
#include <iterator>

Bytes read_file(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

void write_file(const std::string &path, const Bytes &bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t le16(const Bytes &image, uint64_t at) {
    return image.at(at) | image.at(at + 1) << 8;
}
uint32_t le32(const Bytes &image, uint64_t at) {
    return le16(image, at) | le16(image, at + 2) << 16;
}

PeLayout read_pe_layout(const Bytes &image) {
    PeLayout layout{};
    if (image.size() < 0x40)
        return layout;
    layout.pe = le32(image, 0x3C);
    if (uint64_t(layout.pe) + OPTIONAL_HEADER > image.size())
        return layout;
    const uint32_t count = le16(image, layout.pe + FILE_HEADER + 2);
    layout.section_table = layout.pe + OPTIONAL_HEADER + le16(image, layout.pe + FILE_HEADER + 16);
    layout.headers_end = layout.section_table + 40 * count;
    if (layout.headers_end > image.size())
        return layout;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t entry = layout.section_table + 40 * i;
        std::string name(reinterpret_cast<const char *>(&image[entry]), 8);
        name.resize(name.find('\0') == std::string::npos ? 8 : name.find('\0'));
        layout.sections.push_back({name, entry, le32(image, entry + 12), le32(image, entry + 16),
                                   le32(image, entry + 20)});
    }
    return layout;
}

uint32_t rva_to_offset(const PeLayout &layout, uint32_t rva) {
    for (const Section &section : layout.sections) {
        if (rva >= section.virtual_address && rva - section.virtual_address < section.raw_size)
            return section.raw_pointer + (rva - section.virtual_address);
    }
    return 0;
}

uint32_t compute_pe_checksum(const Bytes &image, uint32_t checksum_field) {
    uint64_t sum = 0;
    for (uint64_t at = 0; at < image.size(); at += 2) {
        if (at >= checksum_field && at < checksum_field + 4)
            continue;
        sum += image[at] + (at + 1 < image.size() ? image[at + 1] << 8 : 0);
    }
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + image.size());
}

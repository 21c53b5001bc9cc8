#include "test_archive.h"
#include "tests/support/lzh_header.h"

std::vector<uint8_t> make_archive(const std::vector<ArchiveMember> &members) {
    std::vector<uint8_t> archive;
    for (const ArchiveMember &m : members) {
        HeaderFields f;
        f.method = std::string("-lh") + m.method + "-";
        f.compressed_size = uint32_t(m.packed.size());
        f.original_size = uint32_t(m.original.size());
        f.time_stamp = 0x60000000u;
        f.data_crc = bitwise_crc16(m.original);
        f.extensions = {crc_extension(), file_name(m.name)};
        std::vector<uint8_t> h = sealed(f).bytes;
        archive.insert(archive.end(), h.begin(), h.end());
        archive.insert(archive.end(), m.packed.begin(), m.packed.end());
    }
    archive.push_back(0);
    return archive;
}

#include "test_archive.h"

namespace {

void put16(std::vector<uint8_t> &v, size_t at, unsigned x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}

void put32(std::vector<uint8_t> &v, size_t at, uint32_t x) {
    put16(v, at, x & 0xFFFF);
    put16(v, at + 2, x >> 16);
}

} // namespace

// Header layout (little-endian):
//   0 u16 header size    2 "-lhN-"    7 u32 packed size   11 u32 original size
//  15 u32 time stamp    19 u8 attribute (0x20)   20 u8 level (2)   21 u16 data CRC
//  23 u8 OS id 'M'      24 u16 size of the first extended header (5)
//  26 0x00, u16 header CRC, u16 size of the next (3 + name length)
//  31 0x01, name bytes, u16 0 (no further extended header)
std::vector<uint8_t> make_archive(const std::vector<ArchiveMember> &members) {
    std::vector<uint8_t> archive;
    for (const ArchiveMember &m : members) {
        const size_t size = 31 + 3 + m.name.size();
        std::vector<uint8_t> h(size, 0);
        put16(h, 0, unsigned(size));
        const char method[] = {'-', 'l', 'h', m.method, '-'};
        for (int i = 0; i < 5; ++i)
            h[size_t(2 + i)] = uint8_t(method[i]);
        put32(h, 7, uint32_t(m.packed.size()));
        put32(h, 11, uint32_t(m.original.size()));
        put32(h, 15, 0x60000000u);
        h[19] = 0x20;
        h[20] = 2;
        put16(h, 21, bitwise_crc16(m.original.data(), m.original.size()));
        h[23] = 'M';
        put16(h, 24, 5);
        h[26] = 0x00;
        put16(h, 29, unsigned(3 + m.name.size()));
        h[31] = 0x01;
        for (size_t i = 0; i < m.name.size(); ++i)
            h[32 + i] = uint8_t(m.name[i]);
        put16(h, 27, bitwise_crc16(h.data(), h.size()));
        archive.insert(archive.end(), h.begin(), h.end());
        archive.insert(archive.end(), m.packed.begin(), m.packed.end());
    }
    archive.push_back(0);
    return archive;
}

#include "lzh_builder.h"

TestMember stored_file(const std::string &path, const std::string &content) {
    TestMember m;
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        m.dir = path.substr(0, slash) + "\xFF";
        m.name = path.substr(slash + 1);
    } else {
        m.name = path;
    }
    m.data.assign(content.begin(), content.end());
    return m;
}

TestMember directory_member(const std::string &dir) {
    TestMember m;
    m.method = "-lhd-";
    m.dir = dir + "\xFF";
    m.attribute = 0x10;
    return m;
}

static void put16(std::vector<uint8_t> &out, uint32_t v) {
    out.push_back((uint8_t)v);
    out.push_back((uint8_t)(v >> 8));
}
static void put32(std::vector<uint8_t> &out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::vector<uint8_t> member_bytes(const TestMember &m) {
    const std::vector<uint8_t> &expanded = m.method == "-lh0-" ? m.data : m.original;
    uint32_t original = m.set_original ? m.original_size : (uint32_t)expanded.size();
    uint16_t data_crc = m.data_crc >= 0 ? (uint16_t)m.data_crc : bitwise_crc16(expanded);
    std::vector<uint8_t> h;
    put16(h, 0); // header size, filled in below
    h.insert(h.end(), m.method.begin(), m.method.begin() + 5);
    put32(h, (uint32_t)m.data.size()); // compressed size
    put32(h, original);                // original size
    put32(h, m.time_stamp);            // time stamp, seconds since 1970
    h.push_back(m.attribute);          // MS-DOS attribute
    h.push_back(2);                    // header level
    put16(h, data_crc);                // CRC-16 of the expanded data
    h.push_back('M');                  // os id
    put16(h, 5);                       // size of the first extended header: the header CRC
    h.push_back(0x00);                 // header CRC: type, value, next size
    size_t crc_at = h.size();
    put16(h, 0);
    put16(h, m.name.size() + 3);
    h.push_back(0x01); // file name
    h.insert(h.end(), m.name.begin(), m.name.end());
    if (!m.dir.empty()) {
        put16(h, m.dir.size() + 3);
        h.push_back(0x02); // directory name
        h.insert(h.end(), m.dir.begin(), m.dir.end());
    }
    put16(h, 0); // end of the chain
    h[0] = (uint8_t)h.size();
    h[1] = (uint8_t)(h.size() >> 8);
    uint16_t header_crc = bitwise_crc16(h);
    h[crc_at] = (uint8_t)header_crc;
    h[crc_at + 1] = (uint8_t)(header_crc >> 8);
    h.insert(h.end(), m.data.begin(), m.data.end());
    return h;
}

std::vector<uint8_t> archive_bytes(const std::vector<TestMember> &members) {
    std::vector<uint8_t> out;
    for (const TestMember &m : members) {
        std::vector<uint8_t> bytes = member_bytes(m);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out.push_back(0);
    return out;
}

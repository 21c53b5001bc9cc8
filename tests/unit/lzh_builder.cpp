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

std::vector<uint8_t> member_bytes(const TestMember &m) {
    const std::vector<uint8_t> &expanded = m.method == "-lh0-" ? m.data : m.original;
    HeaderFields f;
    f.method = m.method;
    f.compressed_size = (uint32_t)m.data.size();
    f.original_size = m.set_original ? m.original_size : (uint32_t)expanded.size();
    f.time_stamp = m.time_stamp;
    f.attribute = m.attribute;
    f.data_crc = m.data_crc >= 0 ? (uint16_t)m.data_crc : bitwise_crc16(expanded);
    f.extensions = {crc_extension(), file_name(m.name)};
    if (!m.dir.empty())
        f.extensions.push_back(dir_name(m.dir));
    std::vector<uint8_t> bytes = sealed(f).bytes;
    bytes.insert(bytes.end(), m.data.begin(), m.data.end());
    return bytes;
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

// Writes the inputs of the kolvane-unpack tests: level-2 archives with any member names
// (stored data, header CRC-16 filled in), and self-extractors around an archive.
//
//   craft_archive lzh OUT MEMBER...
//       MEMBER: file:PATH:CONTENT   rofile:PATH:CONTENT (read-only attribute)   dir:PATH
//       zeros:PATH:SIZE (SIZE zero bytes, left as a hole of a sparse file)
//       (PATH and CONTENT may hold \xNN escapes;
//       PATH's '/' become 0xFF in the directory-name header; CONTENT is taken as UTF-8
//       and stored in code page 932 when it converts)
//   craft_archive sfx STUB ARCHIVE OUT [title=T] [message=M] [command=C] [flags=N]
//       STUB "-" is a 2048-byte image holding "MZ" only; the configuration block goes to
//       offset 512, the archive after the stub. Texts are UTF-8, stored in code page 932.
#include "tests/support/lzh_header.h"

#include <iconv.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string unescape(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size()) {
            out += (char)strtol(text.substr(i + 2, 2).c_str(), nullptr, 16);
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string to_cp932(const std::string &utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 1, '\0');
    char *in = const_cast<char *>(utf8.data()), *dst = out.data();
    size_t in_left = utf8.size(), out_left = out.size();
    bool ok = iconv(cd, &in, &in_left, &dst, &out_left) != (size_t)-1;
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return ok ? out : utf8;
}

// The header of a stored member (or a directory) of `size` bytes whose CRC is `data_crc`.
Bytes header_of(const std::string &path, uint32_t size, uint16_t data_crc, uint8_t attribute) {
    size_t cut = path.rfind('/');
    std::string dir = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    for (char &c : dir)
        if (c == '/')
            c = (char)0xFF;
    HeaderFields f;
    f.method = attribute & 0x10 ? "-lhd-" : "-lh0-";
    f.compressed_size = f.original_size = size;
    f.time_stamp = 0x5F000000; // 2020-07-15
    f.attribute = attribute;
    f.data_crc = data_crc;
    if (!name.empty())
        f.extensions.push_back(file_name(name));
    if (!dir.empty())
        f.extensions.push_back(dir_name(dir));
    return sealed(f).bytes;
}

Bytes member(const std::string &path, const std::string &content, uint8_t attribute) {
    Bytes data(content.begin(), content.end());
    Bytes bytes = header_of(path, (uint32_t)data.size(), bitwise_crc16(data), attribute);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

Bytes read_file(const char *name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        fprintf(stderr, "craft_archive: cannot read %s\n", name);
        exit(1);
    }
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_file(const char *name, const Bytes &bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

// Members are written as they come, so a hole of zeros costs no memory. The CRC-16 of
// zero bytes stays 0.
int make_archive(int argc, char **argv) {
    std::ofstream out(argv[2], std::ios::binary);
    for (int i = 3; i < argc; i++) {
        std::string entry = argv[i];
        size_t start = entry.find(':') + 1, colon = entry.find(':', start);
        std::string kind = entry.substr(0, start);
        std::string path = unescape(entry.substr(start, colon - start));
        std::string rest = colon == std::string::npos ? "" : entry.substr(colon + 1);
        Bytes bytes;
        if (kind == "file:" || kind == "rofile:") {
            bytes = member(path, to_cp932(unescape(rest)), kind == "file:" ? 0x20 : 0x21);
        } else if (kind == "dir:") {
            bytes = member(path, "", 0x10);
        } else if (kind == "zeros:") {
            uint32_t size = (uint32_t)strtoul(rest.c_str(), nullptr, 0);
            bytes = header_of(path, size, 0, 0x20);
            out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
            out.seekp(size, std::ios::cur);
            continue;
        } else {
            fprintf(stderr, "craft_archive: bad member %s\n", argv[i]);
            return 2;
        }
        out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
    }
    out.put(0);
    return out ? 0 : 1;
}

void put_text(Bytes &image, size_t offset, size_t width, const std::string &utf8) {
    std::string text = to_cp932(utf8);
    memcpy(image.data() + offset, text.data(), text.size() < width ? text.size() : width - 1);
}

int make_self_extractor(int argc, char **argv) {
    Bytes image = strcmp(argv[2], "-") == 0 ? Bytes(2048, 0) : read_file(argv[2]);
    image[0] = 'M';
    image[1] = 'Z';
    Bytes archive = read_file(argv[3]);
    const size_t block = 512;
    uint32_t offset = (uint32_t)image.size(), flags = 0;
    uint64_t total = 0;
    memset(image.data() + block, 0, 705);
    for (int i = 5; i < argc; i++) {
        std::string option = argv[i];
        std::string value = option.substr(option.find('=') + 1);
        if (option.rfind("title=", 0) == 0)
            put_text(image, block + 4, 51, value);
        else if (option.rfind("message=", 0) == 0)
            put_text(image, block + 352, 81, value);
        else if (option.rfind("command=", 0) == 0)
            put_text(image, block + 433, 260, value);
        else if (option.rfind("flags=", 0) == 0)
            flags = (uint32_t)strtoul(value.c_str(), nullptr, 0);
        else if (option.rfind("total=", 0) == 0)
            total = strtoull(value.c_str(), nullptr, 0);
    }
    Bytes numbers;
    put_u32(numbers, offset);
    memcpy(image.data() + block, numbers.data(), 4);
    numbers.clear();
    put_u32(numbers, flags);
    put_u32(numbers, (uint32_t)total);
    put_u32(numbers, (uint32_t)(total >> 32));
    memcpy(image.data() + block + 693, numbers.data(), 12);
    image.insert(image.end(), archive.begin(), archive.end());
    write_file(argv[4], image);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && strcmp(argv[1], "lzh") == 0)
        return make_archive(argc, argv);
    if (argc >= 5 && strcmp(argv[1], "sfx") == 0)
        return make_self_extractor(argc, argv);
    fprintf(stderr,
            "usage: craft_archive lzh OUT MEMBER... | sfx STUB ARCHIVE OUT [key=value]...\n");
    return 2;
}

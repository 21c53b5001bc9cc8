// The member headers of an existing LZH archive, levels 0 to 3, as they are stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One member header as found, before its name becomes a member path.
struct RawHeader {
    int level = 0;
    uint64_t offset = 0; // where the header starts
    std::string method;  // the five bytes of the method id
    uint32_t compressed_size = 0;
    uint32_t original_size = 0;
    uint32_t time_field = 0; // Unix time at levels 2 and 3, MS-DOS date and time below
    uint8_t attribute = 0;
    uint16_t data_crc = 0;
    std::string name;     // the file name, or the whole path at levels 0 and 1
    std::string dir_name; // extended header 0x02
    bool has_unix_time = false;
    uint32_t unix_time = 0;
    bool has_windows_time = false;
    uint64_t windows_time = 0; // 100 ns units since 1601
    bool too_large = false;    // extended header 0x42: sizes beyond 32 bits
    uint64_t data_offset = 0;
    uint32_t data_size = 0;
};

// Reads the headers of the archive held in the file `path`, from `start` on, up to the 0
// byte that ends it or the end of the file. Every next header is looked for at the
// member's data start plus its data size, as every reader of these archives does, so no
// bytes of the file go unaccounted for. Refuses (MakeError, naming the archive and the
// offset) a header that is damaged or cut short, an unknown level, data that runs past
// the end of the file, and an archive without a single member.
std::vector<RawHeader> read_raw_headers(const std::string &path, uint64_t start);

// 0 for a plain archive; for a self-extractor of ours the archive offset its configuration
// block names, refused when it lies past the end of the file.
uint64_t archive_start(const std::string &path);

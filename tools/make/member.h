// One member of the archive being made, as planned before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class MemberSource {
    Directory, // a "-lhd-" entry
    File,      // a file of the folder, compressed when written
    Notice,    // the notice text, stored as the first member "!"
    Copied,    // a member of an existing archive whose data is copied unchanged
};

// DOS attribute bits as the member header's attribute byte carries them.
enum : uint8_t {
    ATTRIBUTE_READ_ONLY = 0x01,
    ATTRIBUTE_HIDDEN = 0x02,
    ATTRIBUTE_SYSTEM = 0x04,
    ATTRIBUTE_DIRECTORY = 0x10,
    ATTRIBUTE_ARCHIVE = 0x20,
};

struct Member {
    MemberSource source = MemberSource::File;
    // Names in code page 932. dir_name has every component followed by 0xFF, the archive's
    // own separator, and is empty at the top; file_name is empty for a directory.
    std::string dir_name;
    std::string file_name;
    std::string shown; // the member path in UTF-8 with '/' separators, for messages
    uint32_t time_stamp = 0;
    uint8_t attribute = 0;

    std::string disk_path; // File: where the data is read from
    uint64_t size = 0;     // File: size when the folder was scanned; Notice: text size
    std::string text;      // Notice: the text in code page 932

    // Copied: the member's method (its id, and the letter of "-lh?-"), data and CRC as
    // the source archive holds them. A member marked repack is expanded here and packed
    // again with the builder's method; the others go over byte for byte.
    std::string packed_method;
    char method = 0;
    bool repack = false;
    uint64_t data_offset = 0;
    uint32_t compressed_size = 0;
    uint16_t data_crc = 0;

    std::string path() const { return dir_name + file_name; }
};

// The name the self-extractor shows as its notice instead of extracting it.
inline constexpr std::string_view NOTICE_NAME = "!";

// Builds level-2 LZH archives field by field for tests.
#pragma once

#include "tests/support/lzh_header.h"

#include <stdint.h>
#include <string>
#include <vector>

struct TestMember {
    std::string method = "-lh0-";
    std::string dir;  // directory name extended header, separators as given (e.g. "docs\xFF")
    std::string name; // file name extended header
    std::vector<uint8_t> data;  // stored bytes (or compressed data for other methods)
    uint32_t original_size = 0; // taken from data for -lh0- unless set_original
    bool set_original = false;
    uint32_t time_stamp = 0x5F000000;
    uint8_t attribute = 0x20;
    int data_crc = -1;             // -1: the CRC of `original` (or of data for -lh0-)
    std::vector<uint8_t> original; // expanded bytes, for the CRC of compressed members
};

TestMember stored_file(const std::string &path, const std::string &content);
TestMember directory_member(const std::string &dir);

// One member's header followed by its data.
std::vector<uint8_t> member_bytes(const TestMember &member);
// Members followed by the single 0 byte that ends an archive.
std::vector<uint8_t> archive_bytes(const std::vector<TestMember> &members);

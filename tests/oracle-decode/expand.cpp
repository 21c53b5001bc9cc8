// Expands every member of an LZH archive with the program's own header reader and decoder,
// over the stand-in, into numbered files, and prints one line per member for
// check_decode.py to hold against the files the archive was made from:
//
//   member <index> <path as hex> <method> <original size> <header data CRC> <our CRC>
//   end | failed <message box text as hex>
//
// Member i is written to OUTPUT_FOLDER/<i>.out. The next header is read from wherever the
// decoder left the archive, so a decoder that reads past a member's data fails the walk.
#include "archive/crc16.h"
#include "archive/header.h"
#include "extract/driver.h"
#include "standin.h"
#include "startup/state.h"

#include <stdio.h>
#include <string>

static std::string hex(const std::string &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

static void map_file(char drive, const std::string &path, std::string &windows_path) {
    size_t slash = path.rfind('/');
    standin::map_drive(drive, slash == std::string::npos ? "." : path.substr(0, slash + 1));
    windows_path = std::string(1, drive) + ":\\" +
                   (slash == std::string::npos ? path : path.substr(slash + 1));
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s ARCHIVE OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    std::string archive;
    map_file('C', argv[1], archive);
    standin::map_drive('D', argv[2]);
    lstrcpynA(state.own_path, archive.c_str(), PATH_SIZE);
    lstrcpynA(state.config.title, "expand", sizeof state.config.title);
    state.archive_handle =
        CreateFileA(state.own_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (state.archive_handle == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    crc16_build_table(CRC16_POLY);
    for (int index = 0;; index++) {
        int result = read_member_header();
        if (result == HEADER_END) {
            printf("end\n");
            return 0;
        }
        if (result == HEADER_FAILED) {
            printf("failed %s\n", hex(standin::message_boxes().back().text).c_str());
            return 1;
        }
        const uint8_t *h = state.header;
        std::string method(reinterpret_cast<const char *>(h + HEADER_METHOD), 5);
        if (method == "-lhd-") {
            release_header();
            continue;
        }
        wsprintfA(state.output_path, "D:\\%d.out", index);
        state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        state.read_index = -1;
        state.crc = 0;
        expand_guarded();
        CloseHandle(state.output_handle);
        if (state.failed) {
            printf("failed %s\n", hex(standin::message_boxes().back().text).c_str());
            return 1;
        }
        printf("member %d %s %s %u %04x %04x\n", index, hex(state.member_path).c_str(),
               method.c_str(), read_u32(h + HEADER_ORIGINAL_SIZE), read_u16(h + HEADER_DATA_CRC),
               state.crc);
        release_header();
    }
}

// Expands every member of an LZH archive with the program's own header reader and decoder,
// over the stand-in, into numbered files, and prints one line per member for
// check_decode.py to hold against the files the archive was made from:
//
//   member <index> <path as hex> <method> <original size> <header data CRC> <our CRC>
//   end | failed <message box text as hex>
//
// Member i is written to OUTPUT_FOLDER/<i>.out. The next header is read from wherever the
// decoder left the archive, so a decoder that reads past a member's data fails the walk.
#include "extract/driver.h"
#include "program_archive.h"

#include <stdio.h>
#include <string>

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s ARCHIVE OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    standin::map_drive('D', argv[2]);
    if (!open_program_archive(argv[1], "expand"))
        return 2;
    for (int index = 0;; index++) {
        int end = walk_end(read_member_header());
        if (end >= 0)
            return end;
        const uint8_t *h = state.header;
        std::string method(reinterpret_cast<const char *>(h + HEADER_METHOD), 5);
        if (method == "-lhd-") {
            release_header();
            continue;
        }
        wsprintfA(state.output_path, "D:\\%d.out", index);
        state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

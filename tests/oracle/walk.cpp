// Walks an LZH archive with the program's own header reader, over the stand-in, and prints
// one line per member for check_walk.py to hold against independent archivers:
//
//   member <path as hex> <method> <compressed> <original> <time stamp> <attribute> <data CRC>
//          <CRC of the stored bytes, or ->
//   end | failed <message box text as hex>
//
// Numbers are decimal except the attribute and the CRCs (hex). The CRC of the stored bytes
// is computed for "-lh0-" members only: it shows that the reader left the archive at the
// member's data and that crc16_feed agrees with the archivers.
#include "archive/crc16.h"
#include "program_archive.h"

#include <stdio.h>
#include <string>
#include <vector>

// Reads the member's data when it is stored, or passes over it.
static bool consume_data(uint32_t compressed_size, bool stored, uint16_t &stored_crc) {
    if (!stored) {
        LONG high = 0;
        DWORD low =
            SetFilePointer(state.archive_handle, (LONG)compressed_size, &high, FILE_CURRENT);
        return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
    }
    std::vector<uint8_t> data(compressed_size);
    DWORD got = 0;
    if (!ReadFile(state.archive_handle, data.data(), compressed_size, &got, nullptr) ||
        got != compressed_size)
        return false;
    state.crc = 0;
    stored_crc = crc16_feed(data.data(), (int32_t)data.size());
    return true;
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s ARCHIVE\n", argv[0]);
        return 2;
    }
    if (!open_program_archive(argv[1], "walk"))
        return 2;
    for (;;) {
        int end = walk_end(read_member_header());
        if (end >= 0)
            return end;
        const uint8_t *h = state.header;
        std::string method(reinterpret_cast<const char *>(h + HEADER_METHOD), 5);
        uint32_t compressed = read_u32(h + HEADER_COMPRESSED_SIZE);
        uint16_t stored_crc = 0;
        bool stored = method == "-lh0-";
        printf("member %s %s %u %u %u %02x %04x ", hex(state.member_path).c_str(), method.c_str(),
               compressed, read_u32(h + HEADER_ORIGINAL_SIZE), read_u32(h + HEADER_TIME_STAMP),
               h[HEADER_ATTRIBUTE], read_u16(h + HEADER_DATA_CRC));
        release_header();
        if (!consume_data(compressed, stored, stored_crc)) {
            printf("\nfailed %s\n", hex("data cut short").c_str());
            return 1;
        }
        if (stored)
            printf("%04x\n", stored_crc);
        else
            printf("-\n");
    }
}

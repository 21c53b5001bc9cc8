// The member header reader on any bytes: the input is the archive. Every header is read
// as the extraction driver reads it, its data passed over, until the end or a failure.
// Besides the sanitizers' own checks: every result leaves the state consistent (a ready
// member's names and CRC field lie inside its block, its path is terminated inside its
// buffer; a failure shows exactly one box and sets `failed`; the end shows nothing).
#include "archive/crc16.h"
#include "archive/header.h"
#include "scratch.h"
#include "process/state.h"

#include <string.h>

static void require(bool condition) {
    if (!condition)
        abort();
}

static bool inside(const uint8_t *p, uint32_t length, const uint8_t *block, uint32_t size) {
    return p >= block && p + length <= block + size;
}

static void check_ready_member() {
    const uint8_t *block = state.header;
    require(block != nullptr);
    uint32_t size = read_u16(block + HEADER_SIZE);
    require(size >= HEADER_FIXED_SIZE && block[HEADER_LEVEL] == 2);
    require(state.header_crc_field && inside(state.header_crc_field, 2, block, size));
    if (state.file_name_length)
        require(inside(state.file_name, state.file_name_length, block, size));
    if (state.dir_name_length)
        require(inside(state.dir_name, state.dir_name_length, block, size));
    require(memchr(state.member_path, 0, MEMBER_PATH_SIZE) != nullptr);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    crc16_build_table(CRC16_POLY);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    state.archive_handle = fuzz_input_file(data, size);
    standin::message_boxes().clear();
    state.failed = 0;
    state.header = nullptr;
    state.owner_window = nullptr;

    // Each header takes at least 26 bytes and the seeks only go forwards, so the walk ends.
    for (;;) {
        int result = read_member_header();
        if (result == HEADER_END) {
            require(state.header == nullptr && state.failed == 0);
            require(standin::message_boxes().empty());
            break;
        }
        if (result == HEADER_FAILED) {
            require(state.failed == 1 && standin::message_boxes().size() == 1);
            release_header();
            break;
        }
        require(result == HEADER_READY && state.failed == 0);
        check_ready_member();
        LONG high = 0;
        SetFilePointer(state.archive_handle, (LONG)read_u32(state.header + HEADER_COMPRESSED_SIZE),
                       &high, FILE_CURRENT);
        release_header();
    }
    return 0;
}

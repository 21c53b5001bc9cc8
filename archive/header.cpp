// Reading, checking and parsing one level-2 member header.
#include "archive/header.h"
#include "archive/crc16.h"
#include "extract/paths.h"
#include "format/methods.h"
#include "resource.h"
#include "process/messages.h"
#include "process/state.h"

#include <windows.h>

static int reject_header() {
    report_file_error(fetch_string(IDS_BAD_HEADER), state.own_path);
    state.failed = 1;
    return HEADER_FAILED;
}

// Records what one extended header carries: `type` points at its type byte, `size`
// counts type byte, data and the trailing size field.
static void take_extended_header(uint8_t *type, uint32_t size) {
    switch (*type) {
    case EXT_HEADER_CRC:
        state.header_crc = read_u16(type + 1);
        state.header_crc_field = type + 1;
        break;
    case EXT_FILE_NAME:
        state.file_name = type + 1;
        state.file_name_length = size - 3;
        break;
    case EXT_DIR_NAME:
        state.dir_name = type + 1;
        state.dir_name_length = size - 3;
        break;
    default:
        break;
    }
}

// The size field at `field` holds the size s of the next extended header, which runs from
// field + 2 (its type byte) to field + 2 + s and ends with the size field at field + s.
// Requiring field + 2 + s <= size for every s keeps each type byte, its data and the
// following size field inside the block; s >= 3 moves the walk forwards every step.
static int walk_extended_headers(uint8_t *block, uint32_t size) {
    uint32_t field = HEADER_FIRST_EXT_SIZE;
    for (;;) {
        uint32_t next = read_u16(block + field);
        if (next == 0)
            return 1;
        if (next < 3 || field + 2 + next > size)
            return 0;
        take_extended_header(block + field + 2, next);
        field += next;
    }
}

static int method_accepted(const uint8_t *method) {
    return method[0] == '-' && method[1] == 'l' && method[2] == 'h' && method[4] == '-' &&
           method[3] != 0 && strchr(METHOD_LETTERS, method[3]) != nullptr;
}

// Directory name, then file name, both as stored, separators unified to '/'.
static int build_member_path() {
    if (state.dir_name_length + state.file_name_length >= MEMBER_PATH_SIZE)
        return 0;
    char *path = state.member_path;
    if (state.dir_name_length != 0) {
        memcpy(path, state.dir_name, state.dir_name_length);
        path += state.dir_name_length;
    }
    if (state.file_name_length != 0) {
        memcpy(path, state.file_name, state.file_name_length);
        path += state.file_name_length;
    }
    *path = 0;
    unify_separators(state.member_path, '/');
    return 1;
}

static uint64_t archive_position() {
    LONG high = 0;
    DWORD low = SetFilePointer(state.archive_handle, 0, &high, FILE_CURRENT);
    return (uint64_t)(uint32_t)high << 32 | low;
}

// Stored data is its own expansion, and a directory has none: other sizes would let a
// member's data hold further headers that only some readers see.
static int sizes_agree(const uint8_t *block) {
    uint32_t compressed = read_u32(block + HEADER_COMPRESSED_SIZE);
    switch (block[HEADER_METHOD_LETTER]) {
    case METHOD_STORED:
        return compressed == read_u32(block + HEADER_ORIGINAL_SIZE);
    case METHOD_DIRECTORY:
        return compressed == 0;
    default:
        return 1;
    }
}

// The file may end at any header after the first (an archive without its final 0 byte);
// the first one must be there, or be that 0 byte.
int read_member_header() {
    uint64_t start = archive_position();
    uint8_t fixed[HEADER_FIXED_SIZE];
    DWORD got = 0;
    if (!ReadFile(state.archive_handle, fixed, HEADER_FIXED_SIZE, &got, nullptr) ||
        got < HEADER_FIXED_SIZE || read_u16(fixed + HEADER_SIZE) == 0) {
        if (start == state.config.archive_offset && (got == 0 || fixed[0] != 0))
            return reject_header();
        return HEADER_END;
    }
    if (fixed[HEADER_LEVEL] != HEADER_LEVEL_2)
        return reject_header();
    uint32_t size = read_u16(fixed + HEADER_SIZE);
    if (size < HEADER_FIXED_SIZE)
        return reject_header();

    state.header = static_cast<uint8_t *>(LocalAlloc(LPTR, size));
    if (!state.header) {
        MessageBoxA(state.owner_window, fetch_string(IDS_NO_MEMORY), state.config.title,
                    MB_ICONERROR);
        state.failed = 1;
        return HEADER_FAILED;
    }
    uint8_t *block = state.header;
    memcpy(block, fixed, HEADER_FIXED_SIZE);
    DWORD rest = size - HEADER_FIXED_SIZE;
    if (!ReadFile(state.archive_handle, block + HEADER_FIXED_SIZE, rest, &got, nullptr) ||
        got < rest)
        return reject_header();
    if (!method_accepted(block + HEADER_METHOD) || !sizes_agree(block))
        return reject_header();
    state.member_data_offset = start + size;

    state.dir_name_length = 0;
    state.file_name_length = 0;
    state.header_crc_field = nullptr;
    if (!walk_extended_headers(block, size) || !state.header_crc_field)
        return reject_header();

    state.header_crc_field[0] = 0;
    state.header_crc_field[1] = 0;
    state.crc = 0;
    if (crc16_feed(block, (int32_t)size) != state.header_crc)
        return reject_header();
    if (!build_member_path())
        return reject_header();
    return HEADER_READY;
}

void release_header() {
    LocalFree(state.header);
    state.header = nullptr;
}

bool seek_past_member() {
    uint64_t end = state.member_data_offset + read_u32(state.header + HEADER_COMPRESSED_SIZE);
    LONG high = (LONG)(end >> 32);
    DWORD low = SetFilePointer(state.archive_handle, (LONG)(uint32_t)end, &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

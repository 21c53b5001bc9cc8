// The program's one static record.
#pragma once

#include "format/config_block.h"
#include "format/limits.h"
#include "format/methods.h"

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

constexpr int LIT_LEN_TABLE_BITS = 12;
constexpr int SMALL_TABLE_BITS = 8;
constexpr int SMALL_LENGTHS_SIZE = 34; // a 5-bit count of lengths and a zero run of 3
// Inner nodes are numbered from the symbol count up: 510 + 509 nodes at most.
constexpr int BRANCH_SIZE = 2 * LIT_LEN_SYMBOLS - 1;

// Bytes a match copy may write past its end.
constexpr uint32_t COPY_SPILL = 32;
constexpr uint32_t WINDOW_BUFFER_SIZE = 2 * WINDOW_CAPACITY + COPY_SPILL;

struct ExtractState {
    // start-up
    HINSTANCE instance;
    char own_path[PATH_SIZE];
    SfxConfig config;
    uint8_t processor_sse2;  // see detect_processor
    uint8_t processor_clmul; // see detect_processor

    // extraction driver
    HWND owner_window;
    HWND status_line; // the owner's control IDC_MESSAGE, found once per run
    HANDLE archive_handle;
    HANDLE output_handle;
    int32_t failed;
    uint64_t bytes_done;
    uint8_t notice_captured;
    uint8_t progress_shown; // the bar's percentage plus one; 0 before the run's first report
    DWORD drained_at;       // GetTickCount of the last look at the message queue
    uint8_t status_pending; // see show_member_status

    // member header
    uint8_t *header;
    const uint8_t *file_name;
    uint32_t file_name_length;
    const uint8_t *dir_name;
    uint32_t dir_name_length;
    uint16_t header_crc;
    uint8_t *header_crc_field;
    char member_path[MEMBER_PATH_SIZE];
    uint64_t member_data_offset; // in the program's file

    // CRC-16
    uint16_t crc;
    uint16_t crc16_table[256];

    // output paths
    char destination_folder[DESTINATION_SIZE];
    char output_root[PATH_SIZE];
    char output_path[OUTPUT_PATH_SIZE];
    char replace_path[OUTPUT_PATH_SIZE]; // where a member that replaces a file is written
    char folder_made[OUTPUT_PATH_SIZE];  // see create_parent_directories
    DWORD max_component_length;
    int32_t long_names;

    // main dialog
    int32_t cancel_requested;
    int32_t dialog_busy;

    // shared text: error boxes, status line, notice text, macro expansion
    char text_buffer[TEXT_BUFFER_SIZE];
    char string_buffer[STRING_BUFFER_SIZE];

    // bit input
    uint8_t read_buffer[READ_BUFFER_SIZE];
    int32_t read_index;
    uint32_t compressed_left;
    uint32_t bit_buffer; // see decode/bit_input.h
    uint32_t bit_count;
    uint32_t zero_bytes_taken; // see decode/bit_input.h

    // block decoder and Huffman tables
    uint16_t codes_left_in_block;
    uint16_t position_symbols;
    uint16_t position_count_bits;
    uint8_t lit_len_lengths[LIT_LEN_SYMBOLS];
    uint16_t lit_len_table[1 << LIT_LEN_TABLE_BITS];
    uint8_t small_lengths[SMALL_LENGTHS_SIZE];
    uint16_t small_table[1 << SMALL_TABLE_BITS];
    uint32_t position_entries[1 << SMALL_TABLE_BITS]; // see decode/expand_fast.cpp
    uint16_t zero_branch[BRANCH_SIZE];
    uint16_t one_branch[BRANCH_SIZE];

    // member expansion: twice the largest dictionary, and room for a copy's last chunk to
    // run past the end (see decode/expand.cpp)
    uint8_t window[WINDOW_BUFFER_SIZE];
    uint32_t window_spaces; // see decode/expand.cpp
    uint16_t window_bits;
    uint32_t window_size;
    uint32_t window_pos;
    uint32_t produced_count;
    uint32_t size_to_produce;
};

extern ExtractState state;

// The static-Huffman block decoder of -lh4- to -lh7-: block headers with three codes, then
// literal/length symbols and match distances.
#pragma once

#include "format/methods.h"

#include <stdint.h>

// Starts a member of method letter '4' to '7': position code size and count width, the bit
// input, and a block header before the first symbol.
void start_block_decoder(uint8_t method_letter);

// Reads the next block header: its symbol count, then the code-length, literal/length and
// position codes.
void read_block_header();

// Reads the lengths of a code-length or position code and builds its table; a zero-run field
// follows length number zero_run_after (0: none).
void read_small_code_lengths(uint32_t symbol_count, uint32_t count_bits, uint32_t zero_run_after);

// Reads the literal/length code lengths with the code-length code and builds its table.
void read_lit_len_lengths();

// The next literal (0 to 255) or match length symbol (256 to 509).
uint16_t decode_lit_len();

// The distance value of a match, 0 to 65535: the match starts that many bytes plus one back.
uint16_t decode_distance();

// The static-Huffman block decoder of -lh4- to -lh7-: block headers with three codes, then
// literal/length symbols and match distances.
#pragma once

#include "format/methods.h"

#include <stdint.h>

// Starts a member of method letter '4' to '7': position code size and count width, the bit
// input, and a block header before the first symbol.
void start_block_decoder(uint8_t method_letter);

// The next literal (0 to 255) or match length symbol (256 to 509).
uint16_t decode_lit_len();

// The distance value of a match, 0 to 65535: the match starts that many bytes plus one back.
uint16_t decode_distance();

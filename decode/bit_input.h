// Bit input: one member's compressed data, most significant bit of each byte first.
//
// The bit buffer, in ExtractState:
//
//   bit_buffer       the next bit_count bits of the stream, left-aligned (the next bit is
//                    bit 31). The bits below them are 0 or the stream's own following bits,
//                    so a refill ORs whole bytes in at bit_count without masking; once the
//                    member's data is used up they are 0.
//   bit_count        0 to 31. After start_bit_input and after every consume_bits it is at
//                    least 16, so up to 16 bits may be peeked.
//   read_buffer      the block read last; read_index is its next byte not yet taken into
//                    the bit buffer (16384 or more, or -1, when none is left).
//   compressed_left  the member's bytes not yet taken into the bit buffer. When it is 0,
//                    every further bit is 0: refills count zero bytes without reading.
//   zero_bytes_taken how many such zero bytes the refills took, counted up to 4 only. They
//                    are the last bits of the buffer, so a decoder has used a bit beyond the
//                    member's data exactly when bit_count < 8 * zero_bytes_taken; since
//                    bit_count stays below 32, a count held at 4 keeps that test exact.
//
// Reads: the archive is read in blocks of min(16384, compressed_left) bytes, and a new block
// is read only when the current one is used up and fewer than 16 bits are left. That is
// exactly when a decoder that keeps a 16-bit lookahead, refilled a byte at a time, needs its
// next byte, so the reads, their sizes and where the archive stands after a member do not
// depend on how far ahead the bit buffer fills from bytes already in the read buffer.
#pragma once

#include "process/state.h"

#include <stdint.h>

// The next byte of the read buffer, after reading a new block of min(wanted, 16384) bytes
// when the buffer is used up; -1 when that read fails or comes up short. `wanted` counts
// the member's bytes still to be taken, this one included.
int read_archive_byte(HANDLE handle, uint32_t wanted);

// Starts a member: an empty bit buffer, then the first 16 bits.
void start_bit_input();

// Whether the decoder has used bits beyond the member's compressed data.
inline bool input_overran() {
    return state.bit_count < 8 * state.zero_bytes_taken;
}

// Tops the bit buffer up to at least 24 bits from the read buffer (or zero bytes past the
// member's end), stopping at 16 when the next byte would need a new block.
void refill_bits();

// Drops the next n bits (0 to 20) and refills.
void consume_bits(uint32_t n);

// The next n bits (0 to 16), first bit most significant, then drops them.
uint16_t take_bits(uint32_t n);

// The next n bits (1 to 16) without dropping them.
inline uint32_t peek_bits(uint32_t n) {
    return state.bit_buffer >> (32 - n);
}

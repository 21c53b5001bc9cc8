// Bit input over the archive's read buffer.
#include "decode/bit_input.h"
#include "resource.h"
#include "process/abort.h"
#include "process/messages.h"

int read_archive_byte(HANDLE handle, uint32_t wanted) {
    if ((uint32_t)state.read_index >= (uint32_t)READ_BUFFER_SIZE) {
        DWORD request = wanted < (uint32_t)READ_BUFFER_SIZE ? wanted : READ_BUFFER_SIZE;
        DWORD delivered;
        if (!ReadFile(handle, state.read_buffer, request, &delivered, nullptr) ||
            delivered != request)
            return -1;
        state.read_index = 0;
    }
    return state.read_buffer[state.read_index++];
}

void refill_bits() {
    while (state.bit_count < 24) {
        uint32_t byte = 0;
        if (state.compressed_left != 0) {
            if ((uint32_t)state.read_index >= (uint32_t)READ_BUFFER_SIZE && state.bit_count >= 16)
                return;
            int value = read_archive_byte(state.archive_handle, state.compressed_left--);
            if (value < 0) {
                report_file_error(fetch_string(IDS_READ_ERROR), state.own_path);
                raise_abort();
            }
            byte = (uint32_t)value;
        } else if (state.zero_bytes_taken < 4) {
            state.zero_bytes_taken++;
        }
        state.bit_buffer |= byte << (24 - state.bit_count);
        state.bit_count += 8;
    }
}

void start_bit_input() {
    state.bit_buffer = 0;
    state.bit_count = 0;
    state.zero_bytes_taken = 0;
    refill_bits();
}

// At most 16 bits go per step: the buffer holds at least 16 after each refill.
void consume_bits(uint32_t n) {
    if (n > 16) {
        state.bit_buffer <<= 16;
        state.bit_count -= 16;
        refill_bits();
        n -= 16;
    }
    state.bit_buffer <<= n;
    state.bit_count -= n;
    refill_bits();
}

uint16_t take_bits(uint32_t n) {
    uint16_t value = n == 0 ? 0 : (uint16_t)peek_bits(n);
    consume_bits(n);
    return value;
}

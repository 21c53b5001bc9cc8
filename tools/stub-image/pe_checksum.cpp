#include "pe_checksum.h"

// A word's two bytes may arrive in different pieces, so each byte is added at its own
// weight (1 at an even offset, 256 at an odd one). The sum needs no folding on the way:
// 64 bits hold 2^48 bytes of 255 * 256. Folding at the end gives what folding after every
// word gives, the sum modulo 0xFFFF, and 0 only for a file of zeros.
void PeChecksum::add(const uint8_t *data, size_t size) {
    size_t i = 0;
    if (size && (length_ & 1))
        sum_ += (uint64_t)data[i++] << 8;
    for (; i + 1 < size; i += 2)
        sum_ += (uint64_t)(data[i] | data[i + 1] << 8);
    if (i < size)
        sum_ += data[i];
    length_ += size;
}

uint32_t PeChecksum::value() const {
    uint64_t sum = sum_;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint32_t)sum + (uint32_t)length_;
}

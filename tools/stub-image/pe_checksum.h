// The PE checksum of a whole file, fed in pieces as it is read: the file's 16-bit
// little-endian words summed with end-around carry (an odd last byte counts as a word),
// folded to 16 bits, plus the file's length. The CheckSum field itself must read as zero
// while it is summed.
#pragma once

#include <cstddef>
#include <cstdint>

class PeChecksum {
  public:
    void add(const uint8_t *data, size_t size); // the next bytes of the file
    uint32_t value() const;                     // the checksum of the bytes added so far

  private:
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
};

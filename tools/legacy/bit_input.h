// Reading packed data most significant bit first. Reads past the end give zero bits and mark
// the input as overrun, so a decoder can finish its current step and then report the damage.
#pragma once

#include <cstdint>
#include <span>

namespace legacy {

class BitInput {
  public:
    explicit BitInput(std::span<const std::uint8_t> data) : data_(data) {}

    // The next n bits (n <= 24) without consuming them, zeros beyond the end.
    std::uint32_t peek(unsigned n) const {
        std::uint32_t value = 0;
        std::uint64_t byte = bit_ >> 3;
        for (unsigned i = 0; i < 4; ++i)
            value = (value << 8) | (byte + i < data_.size() ? data_[byte + i] : 0u);
        return n == 0 ? 0 : (value << (bit_ & 7)) >> (32 - n);
    }
    void skip(unsigned n) { bit_ += n; }
    std::uint32_t take(unsigned n) {
        std::uint32_t value = peek(n);
        skip(n);
        return value;
    }
    unsigned bit() {
        std::uint64_t byte = bit_ >> 3;
        unsigned value = byte < data_.size() ? (data_[byte] >> (7 - (bit_ & 7))) & 1u : 0u;
        ++bit_;
        return value;
    }

    // Whole bytes, for the byte-oriented methods (the position must be on a byte boundary).
    std::uint8_t byte() { return static_cast<std::uint8_t>(take(8)); }

    bool overrun() const { return bit_ > data_.size() * 8; }
    std::uint64_t bytes_used() const { return (bit_ + 7) >> 3; }
    std::uint64_t size() const { return data_.size(); }

  private:
    std::span<const std::uint8_t> data_;
    std::uint64_t bit_ = 0;
};

} // namespace legacy

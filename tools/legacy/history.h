// The sliding window of an LZ77 decoder, and the output it feeds. Bytes go into a ring of
// 2^bits entries; each time the write position comes back to the start of the ring, the bytes
// written since the last hand-over go to the caller's sink, so memory stays at one window
// whatever the size of the member. Nothing beyond the expected size is ever written or
// handed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace legacy {

using Sink = std::function<void(const std::uint8_t *, std::size_t)>;

class History {
  public:
    // A window of 2^bits bytes, all `fill`, writing from `start`.
    History(unsigned bits, std::uint8_t fill, std::uint64_t expected, const Sink &sink,
            unsigned start = 0);

    bool done() const { return written_ >= expected_; }
    std::uint64_t written() const { return written_; }
    std::uint64_t expected() const { return expected_; }
    unsigned position() const { return pos_; }
    unsigned mask() const { return mask_; }
    std::uint8_t &at(unsigned index) { return ring_[index & mask_]; }

    void put(std::uint8_t byte);
    // Copies `length` bytes starting at ring index `from` (which may overlap what is written).
    void copy_from(unsigned from, unsigned length);
    // Copies `length` bytes from `distance` bytes back (1 = the byte just written).
    void copy_back(unsigned distance, unsigned length) { copy_from(pos_ - distance, length); }
    // Hands over what has not been handed over yet.
    void flush();

  private:
    std::vector<std::uint8_t> ring_;
    unsigned mask_;
    unsigned pos_;
    unsigned pending_from_;
    std::uint64_t written_ = 0;
    std::uint64_t expected_;
    const Sink &sink_;
};

} // namespace legacy

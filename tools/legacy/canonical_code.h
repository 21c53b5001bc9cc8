// Static prefix codes given by their code lengths, codes assigned in the usual canonical order
// (shorter codes first, symbols ascending within a length).
#pragma once

#include "bit_input.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace legacy {

class CanonicalCode {
  public:
    static constexpr unsigned max_length = 16;

    // False when the lengths (0 = symbol unused) over-subscribe the code space or exceed
    // max_length. An incomplete set is accepted: its unused codes decode as damage.
    bool build(std::span<const std::uint8_t> lengths);
    // Every symbol decodes to `symbol` without reading a bit.
    void single(unsigned symbol);

    // The next symbol, or -1 for a code no symbol has.
    int decode(BitInput &in) const;

  private:
    std::array<std::uint16_t, max_length + 1> count_{};
    std::vector<std::uint16_t> sorted_;
    int only_ = -1;
};

} // namespace legacy

// One expansion procedure per method family, behind legacy::expand.
#pragma once

#include "bit_input.h"
#include "history.h"

#include <cstdint>
#include <span>
#include <string>

namespace legacy {

using Packed = std::span<const std::uint8_t>;

std::string expand_lzs(Packed packed, std::uint64_t size, const Sink &out);
std::string expand_lz5(Packed packed, std::uint64_t size, const Sink &out);
std::string expand_lh1(Packed packed, std::uint64_t size, const Sink &out);
std::string expand_lh2(Packed packed, std::uint64_t size, const Sink &out);
std::string expand_lh3(Packed packed, std::uint64_t size, const Sink &out);
std::string expand_pm1(Packed packed, std::uint64_t size, const Sink &out);
std::string expand_pm2(Packed packed, std::uint64_t size, const Sink &out);

// The report for data that ran out before the member was complete.
std::string ended_early(std::uint64_t written, std::uint64_t size);

// Flushes the history and gives the member's report: `damage` with the bytes written before
// it, the report for data that ran out (bits read past it, or the member not complete), or
// "" when the member came out whole.
std::string finish(History &history, const BitInput &in, const std::string &damage);

} // namespace legacy

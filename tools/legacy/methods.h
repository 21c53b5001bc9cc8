// One expansion procedure per method family, behind legacy::expand.
#pragma once

#include "history.h"

#include <cstdint>
#include <span>
#include <string>

namespace legacy {

using Packed = std::span<const std::uint8_t>;

// The report for data that ran out before the member was complete.
std::string ended_early(std::uint64_t written, std::uint64_t size);

} // namespace legacy

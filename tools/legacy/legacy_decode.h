// Decoders of the older LZH methods the stub does not expand (-lh1- to -lh3-, -lz4-, -lz5-,
// -lzs-, -pm0- to -pm2-), for the builder. Host-side tool code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace legacy {

// True for the methods expand knows: "-lz4-" and "-pm0-" (stored), "-lh1-", "-lh2-", "-lh3-",
// "-lz5-", "-lzs-", "-pm1-" and "-pm2-". False for everything else.
bool supported(std::string_view method);

// Expands `packed` into exactly `original_size` bytes, handing them to `out` in order.
// Returns "" on success, else a one-line description of the damage.
std::string expand(std::string_view method, std::span<const std::uint8_t> packed,
                   std::uint64_t original_size,
                   const std::function<void(const std::uint8_t *, std::size_t)> &out);

} // namespace legacy

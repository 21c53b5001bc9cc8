// Generated inputs for the encoder tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> random_bytes(size_t size, uint32_t seed);
// Words from a small vocabulary with a skewed choice, spaces and line breaks.
std::vector<uint8_t> text_like(size_t size, uint32_t seed);
// Records of mostly constant fields with small counters, like a table in a binary file.
std::vector<uint8_t> record_like(size_t size, uint32_t seed);
std::vector<uint8_t> concat(const std::vector<std::vector<uint8_t>> &parts);

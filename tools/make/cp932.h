// Code page 932 (the Japanese ANSI code page), which every text and name in a
// self-extractor uses, and its conversion from and to the UTF-8 of the command line.
#pragma once

#include <cstdint>
#include <string>

namespace cp932 {

inline bool is_lead_byte(uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// True when text is well-formed UTF-8.
bool is_utf8(const std::string &text);

// Converts UTF-8 text; false when it is not UTF-8 or holds a character that code page 932
// has no code for (nothing close is put in its place). The system's own conversion.
bool from_utf8(const std::string &utf8, std::string &out);

// Converts code page 932 text to UTF-8; false when a byte sequence has no character.
bool to_utf8(const std::string &bytes, std::string &out);

// Code page 932 bytes as UTF-8 for messages; control bytes and bytes that do not convert
// are shown as \xNN.
std::string for_display(const std::string &bytes);

// The position of the first single-byte backslash (0x5C that is not a trail byte), or npos.
size_t find_backslash(const std::string &bytes);

} // namespace cp932

// Code page 932 to UTF-8 for the terminal, and the width of what is shown.
#include "text.h"

#include "standin.h"

#include <stdint.h>
#include <stdio.h>

namespace {

bool is_control(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

void escape(std::string &out, unsigned char byte) {
    char text[5];
    snprintf(text, sizeof text, "\\x%02X", byte);
    out += text;
}

bool has_control(const std::string &text, bool keep_lines) {
    for (unsigned char byte : text)
        if (is_control(byte) && !(keep_lines && (byte == '\n' || byte == '\t' || byte == '\r')))
            return true;
    return false;
}

// Decodes the code point that starts at `i` and steps past it; malformed bytes count one each.
uint32_t next_code_point(const std::string &utf8, size_t &i) {
    unsigned char lead = (unsigned char)utf8[i++];
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    uint32_t value = extra ? lead & (0x3F >> extra) : lead;
    for (; extra > 0 && i < utf8.size() && ((unsigned char)utf8[i] & 0xC0) == 0x80; extra--)
        value = value << 6 | ((unsigned char)utf8[i++] & 0x3F);
    return value;
}

// Wide: Hangul Jamo, CJK and Kana blocks, Hangul syllables, compatibility ideographs, CJK
// forms, full-width forms (the half-width katakana after them are narrow), the
// supplementary ideographic planes.
int columns_of(uint32_t c) {
    bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
                (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

} // namespace

std::string printable(const std::string &cp932, bool keep_lines) {
    if (!has_control(cp932, keep_lines) && standin::converts_to_utf8(cp932)) {
        std::string out = standin::to_utf8(cp932);
        if (keep_lines)
            std::erase(out, '\r');
        return out;
    }
    // Character by character: a lead byte whose pair does not convert is escaped alone,
    // and its successor is looked at afresh.
    std::string out;
    for (size_t i = 0; i < cp932.size(); i++) {
        unsigned char byte = (unsigned char)cp932[i];
        if (keep_lines && (byte == '\n' || byte == '\t'))
            out += (char)byte;
        else if (keep_lines && byte == '\r')
            continue;
        else if (is_control(byte))
            escape(out, byte);
        else if (byte < 0x80)
            out += (char)byte;
        else {
            size_t length = IsDBCSLeadByte(byte) && i + 1 < cp932.size() ? 2 : 1;
            std::string character = standin::to_utf8(cp932.substr(i, length));
            if (character.empty()) {
                escape(out, byte);
            } else {
                out += character;
                i += length - 1;
            }
        }
    }
    return out;
}

size_t display_width(const std::string &utf8) {
    size_t columns = 0;
    for (size_t i = 0; i < utf8.size();)
        columns += columns_of(next_code_point(utf8, i));
    return columns;
}

std::string fit_width(const std::string &utf8, size_t columns) {
    size_t used = 0, i = 0;
    while (i < utf8.size()) {
        size_t start = i;
        int width = columns_of(next_code_point(utf8, i));
        if (used + width > columns)
            return utf8.substr(0, start);
        used += width;
    }
    return utf8;
}

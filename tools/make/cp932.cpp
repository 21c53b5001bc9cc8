#include "cp932.h"

#include <cstdio>

namespace cp932 {

bool is_utf8(const std::string &text) {
    for (size_t i = 0; i < text.size();) {
        uint8_t lead = (uint8_t)text[i];
        size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size())
            return false;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; k++) {
            uint8_t next = (uint8_t)text[i + k];
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and codes beyond U+10FFFF.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string for_display(const std::string &bytes) {
    std::string shown;
    for (size_t i = 0; i < bytes.size();) {
        size_t width = is_lead_byte((uint8_t)bytes[i]) && i + 1 < bytes.size() ? 2 : 1;
        std::string piece;
        bool control = width == 1 && ((uint8_t)bytes[i] < 0x20 || bytes[i] == 0x7F);
        if (!control && to_utf8(bytes.substr(i, width), piece)) {
            shown += piece;
        } else {
            for (size_t k = i; k < i + width; k++) {
                char hex[8];
                snprintf(hex, sizeof hex, "\\x%02X", (uint8_t)bytes[k]);
                shown += hex;
            }
        }
        i += width;
    }
    return shown;
}

size_t find_backslash(const std::string &bytes) {
    for (size_t i = 0; i < bytes.size(); i++) {
        if (is_lead_byte((uint8_t)bytes[i]))
            i++;
        else if (bytes[i] == '\\')
            return i;
    }
    return std::string::npos;
}

} // namespace cp932

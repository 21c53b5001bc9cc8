#include "cp932.h"

#include <iconv.h>

#include <cstdio>

namespace cp932 {

namespace {

// Converts all of text or nothing.
bool convert(const char *to, const char *from, const std::string &text, std::string &out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1)
        return false;
    out.assign(text.size() * 4 + 4, '\0');
    char *in = const_cast<char *>(text.data()), *dst = out.data();
    size_t in_left = text.size(), out_left = out.size();
    bool ok = iconv(cd, &in, &in_left, &dst, &out_left) != (size_t)-1 &&
              iconv(cd, nullptr, nullptr, &dst, &out_left) != (size_t)-1;
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return ok;
}

} // namespace

bool is_utf8(const std::string &text) {
    std::string ignored;
    return convert("UTF-32LE", "UTF-8", text, ignored);
}

bool from_utf8(const std::string &utf8, std::string &out) {
    return convert("CP932", "UTF-8", utf8, out);
}

std::string for_display(const std::string &bytes) {
    std::string shown;
    for (size_t i = 0; i < bytes.size();) {
        size_t width = is_lead_byte((uint8_t)bytes[i]) && i + 1 < bytes.size() ? 2 : 1;
        std::string piece;
        bool control = width == 1 && ((uint8_t)bytes[i] < 0x20 || bytes[i] == 0x7F);
        if (!control && convert("UTF-8", "CP932", bytes.substr(i, width), piece)) {
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

// Code page 932 conversions on Linux: iconv's CP932.
#include "cp932.h"

#include <iconv.h>

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

bool from_utf8(const std::string &utf8, std::string &out) {
    return convert("CP932", "UTF-8", utf8, out);
}

bool to_utf8(const std::string &bytes, std::string &out) {
    return convert("UTF-8", "CP932", bytes, out);
}

} // namespace cp932

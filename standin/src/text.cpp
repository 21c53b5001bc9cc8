// Code page 932 text: lead bytes, character stepping, conversion to and from UTF-8, and
// the string routines of the platform.
#include "internal.h"

#include <iconv.h>
#include <stdarg.h>
#include <stdio.h>

namespace standin {

namespace {

// A conversion descriptor per direction and thread, opened on first use: opening one costs
// more than converting a path, and every member's name is converted several times.
struct Converter {
    const char *to;
    const char *from;
    iconv_t cd = (iconv_t)-1;
    Converter(const char *to, const char *from) : to(to), from(from) {}
    ~Converter() {
        if (cd != (iconv_t)-1)
            iconv_close(cd);
    }
};

thread_local Converter from_cp932("UTF-8", "CP932");
thread_local Converter into_cp932("CP932", "UTF-8");

std::string convert(const std::string &text, Converter &converter, bool &ok) {
    ok = true;
    if (converter.cd == (iconv_t)-1)
        converter.cd = iconv_open(converter.to, converter.from);
    if (converter.cd == (iconv_t)-1) {
        ok = false;
        return "";
    }
    iconv(converter.cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    std::string out(text.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(text.data());
    size_t in_left = text.size();
    char *dst = out.data();
    size_t out_left = out.size();
    if (iconv(converter.cd, &in, &in_left, &dst, &out_left) == (size_t)-1)
        ok = false;
    out.resize(out.size() - out_left);
    return ok ? out : "";
}

} // namespace

std::string to_utf8(const std::string &cp932) {
    bool ok;
    return convert(cp932, from_cp932, ok);
}

bool converts_to_utf8(const std::string &cp932) {
    bool ok;
    convert(cp932, from_cp932, ok);
    return ok;
}

std::string to_cp932(const std::string &utf8) {
    bool ok;
    return convert(utf8, into_cp932, ok);
}

} // namespace standin

BOOL IsDBCSLeadByte(BYTE byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

LPSTR CharNextA(LPCSTR current) {
    if (*current == 0)
        return const_cast<LPSTR>(current);
    if (IsDBCSLeadByte((BYTE)*current) && current[1] != 0)
        return const_cast<LPSTR>(current + 2);
    return const_cast<LPSTR>(current + 1);
}

LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
    if (current <= start)
        return const_cast<LPSTR>(start);
    LPCSTR p = start, previous = start;
    while (p < current) {
        previous = p;
        p = CharNextA(p);
        if (p == previous)
            break;
    }
    return const_cast<LPSTR>(previous);
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int max_count) {
    if (max_count <= 0)
        return destination;
    int i = 0;
    for (; i < max_count - 1 && source[i]; i++)
        destination[i] = source[i];
    destination[i] = 0;
    return destination;
}

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) {
    return strcpy(destination, source);
}

int lstrlenA(LPCSTR text) {
    return text ? (int)strlen(text) : 0;
}

// The platform's formatter writes at most 1024 bytes, terminator included.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, 1024, format, args);
    va_end(args);
    return n < 0 ? 0 : (n > 1023 ? 1023 : n);
}

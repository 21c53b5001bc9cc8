// Code page 932 conversions on Windows: the system's own, with no best-fit substitutes.
#include "cp932.h"
#include "wide.h"

namespace cp932 {

namespace {
constexpr UINT CP932 = 932;
}

// A character without a code in 932 would become '?' or a look-alike (best fit); either
// is a refusal, and so is any text that does not come back as it went.
bool from_utf8(const std::string &utf8, std::string &out) {
    out.clear();
    if (utf8.empty())
        return true;
    if (!is_utf8(utf8))
        return false;
    std::wstring text = wide(utf8);
    out.assign(text.size() * 2, '\0');
    BOOL substituted = FALSE;
    int length = WideCharToMultiByte(CP932, WC_NO_BEST_FIT_CHARS, text.data(), (int)text.size(),
                                     out.data(), (int)out.size(), nullptr, &substituted);
    if (length <= 0 || substituted)
        return false;
    out.resize((size_t)length);
    std::wstring back(out.size(), L'\0');
    int back_length = MultiByteToWideChar(CP932, MB_ERR_INVALID_CHARS, out.data(), (int)out.size(),
                                          back.data(), (int)back.size());
    back.resize(back_length > 0 ? (size_t)back_length : 0);
    return back == text;
}

bool to_utf8(const std::string &bytes, std::string &out) {
    out.clear();
    if (bytes.empty())
        return true;
    std::wstring text(bytes.size(), L'\0');
    int length = MultiByteToWideChar(CP932, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(),
                                     text.data(), (int)text.size());
    if (length <= 0)
        return false;
    text.resize((size_t)length);
    out = utf8(text);
    return true;
}

} // namespace cp932

#include "wide.h"

std::wstring wide(const std::string &utf8) {
    std::wstring out(utf8.size(), L'\0');
    int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), out.data(), (int)out.size());
    out.resize(length > 0 ? (size_t)length : 0);
    return out;
}

std::string utf8(const std::wstring &text) {
    std::string out(text.size() * 3, '\0');
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(),
                                     (int)out.size(), nullptr, nullptr);
    out.resize(length > 0 ? (size_t)length : 0);
    return out;
}

std::string error_text(DWORD code) {
    wchar_t *text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, (wchar_t *)&text, 0, nullptr);
    std::wstring message(text ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : utf8(message);
}

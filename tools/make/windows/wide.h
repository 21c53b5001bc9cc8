// UTF-8 and the UTF-16 of the Windows API, and the system's error texts.
#pragma once

#include <windows.h>

#include <string>

// Ill-formed input gives U+FFFD in its place: such a text can only be refused afterwards.
std::wstring wide(const std::string &utf8);
std::string utf8(const std::wstring &text);

// What the system says of an error code, in one line.
std::string error_text(DWORD code);

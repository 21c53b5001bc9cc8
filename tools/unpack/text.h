// Code page 932 text made fit for a UTF-8 terminal.
#pragma once

#include <stddef.h>

#include <string>

// The text in UTF-8. A byte that does not convert, and every control character, is
// written as \xNN, so a name can neither hide nor move the cursor. With `keep_lines`
// (notice texts) line feeds and tabs stay and carriage returns go.
std::string printable(const std::string &cp932, bool keep_lines = false);

// Columns the UTF-8 text takes on a terminal: East Asian wide characters take two.
size_t display_width(const std::string &utf8);

// The longest start of the UTF-8 text that fits into `columns`.
std::string fit_width(const std::string &utf8, size_t columns);

// -t and extraction: the program's notice pass and its main dialog, driven from the terminal.
#pragma once

#include "input.h"
#include "options.h"

int unpack_archive(const Input &input, const Options &options);

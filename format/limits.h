// The program's fixed buffers, and so the limits of what a self-extractor can hold: the
// builder refuses what would not fit them.
#pragma once

constexpr int PATH_SIZE = 260;
constexpr int TEXT_BUFFER_SIZE = 1024; // error boxes, status line, notice text, macros
constexpr int MEMBER_PATH_SIZE = 272;  // a member's directory and file name, and a NUL
constexpr int OUTPUT_PATH_SIZE = 516;
constexpr int DESTINATION_SIZE = 256;
constexpr int STRING_BUFFER_SIZE = 128;
constexpr int READ_BUFFER_SIZE = 16384;

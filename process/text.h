// Small text helpers for double-byte (code page 932) strings.
#pragma once

// Copies at most size - 1 bytes of `source` and a terminator into `destination`, never
// splitting a double-byte character. Returns the terminator written.
char *copy_whole_chars(char *destination, const char *source, int size);

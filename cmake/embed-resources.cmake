# Writes the bytes of INPUT (a compiled .res) into OUTPUT as the C++ array that the host
# stand-in reads its dialogs and icons from. Run with cmake -P.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 row) # CMake's regular expressions have no {n}
string(REGEX REPLACE "(${row})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.
#include <stddef.h>

extern const unsigned char standin_resource_bytes[];
extern const size_t standin_resource_size;
const unsigned char standin_resource_bytes[] = {
${bytes}
};
const size_t standin_resource_size = ${size};
")

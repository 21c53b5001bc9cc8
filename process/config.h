// The configuration block of the program's own file.
#pragma once

// Reads the block from the program's own file and completes it with its defaults.
// Returns 1 when the block was read, 0 when not.
int load_config();

// Copies `source` into `destination` (`size` bytes), wrapped in double quotes when it
// holds a space and does not begin with a quote. A quoted form that would not fit is
// left unquoted: the path stays whole. Returns `destination`.
char *quote_if_spaced(const char *source, char *destination, int size);

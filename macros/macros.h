// Path macros in configured folders and commands, and the command started after a
// successful extraction.
#pragma once

// Replaces the five path macros of `source` into `destination` (`size` bytes, cut at a
// character boundary when the result does not fit). With no extraction folder,
// "%ExtractDir%" stays as written. Returns the terminator written.
char *expand_path_macros(const char *source, char *destination, int size,
                         const char *extract_folder);

// Copies the program part of `command` into `program` (without its quotes) and returns
// where the argument text begins (the terminator when there is none).
const char *split_command(char *program, const char *command);

// Expands the configured command and starts it in the destination folder.
void run_configured_command();

// Expands environment variables of `source` into a 260-byte `destination`; a result
// that does not fit leaves `source` itself there, cut at a character boundary.
void expand_environment(const char *source, char *destination);

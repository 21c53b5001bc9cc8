// The terminal as the program's user: questions on stdin, progress and messages on stderr.
#pragma once

#include <stdint.h>

#include <string>

// Whether questions can be asked: standard input is a terminal.
bool can_ask();

// Shows `question` on stderr and reads one line from stdin into `answer`, without its
// line end and surrounding blanks. False at the end of input or when interrupted.
bool ask(const std::string &question, std::string &answer);

// SIGINT and SIGTERM only raise a flag from now on; a read in progress is interrupted.
void catch_interrupts();
bool interrupted();

// Progress on stderr, only when it is a terminal and `wanted`.
void enable_progress(bool wanted);
// Whether a redraw is due (at most ten a second), so callers need not build the line.
bool progress_due();
// `percent` below 0: no bar (a self-extractor configured without a total).
void show_progress(int percent, uint64_t bytes, const std::string &status_utf8);
// Clears the progress line, if one is shown, so a message can take its place.
void clear_progress();

// "kolvane-unpack: " and the text, as one line on stderr.
void report(const std::string &text);

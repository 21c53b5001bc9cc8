// What the program's own expansion (program_decode.cpp) needs from the system it runs on:
// each system has its own implementation (linux/, windows/). The program's state is
// ready for one member when these are called, and they are called one member at a time.
#pragma once

#include "process/state.h"

#include <string>

// Once, before the first expansion.
void program_host_start();
// Before each expansion: the archive and the output (empty: nothing) become reachable.
void program_host_prepare(const std::string &archive, const std::string &into);
// The handles the program reads the archive and writes the output through.
HANDLE program_host_open_archive(const std::string &archive);
HANDLE program_host_open_output(const std::string &into);
// Runs the expansion; a failure message the program would show is kept for
// program_host_message() and never reaches the screen.
void program_host_run();
// The text of the failure message the program made, or "" when it made none.
std::string program_host_message();

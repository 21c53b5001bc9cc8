// How far the writing has come, as one line on the console that is redrawn in place.
#pragma once

#include <cstdint>
#include <string>

// Draws "NN% name" when standard error is a console; nothing otherwise.
void show_progress(uint64_t done, uint64_t total, const std::string &shown);
// Clears the line, so that other output starts on a clean one.
void end_progress();

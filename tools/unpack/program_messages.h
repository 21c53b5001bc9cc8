// What the program shows, turned into lines on the terminal.
#pragma once

#include <string>

// Where the program's paths lead: `archive_name` as the user named the archive,
// `destination` as the user named the folder ("" in a test run, where a file on the
// destination drive is shown by its member path alone).
void set_display_places(const std::string &archive_name, const std::string &destination);

// A path of the program (code page 932) as the user knows it: its own path as the
// archive's name, a file on the destination drive under the destination folder.
std::string display_path(const std::string &windows_path);

// The program's message boxes: an error box becomes one line on stderr, "path: message
// (meaning)"; a yes/no box, the notice question, is answered by `ask_notice`. While muted,
// error boxes are not shown.
void answer_message_boxes(int (*ask_notice)(const std::string &cp932_text));
void mute_program_messages(bool muted);

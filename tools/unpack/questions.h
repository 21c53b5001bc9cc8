// The program's two questions, answered from the command line or the terminal.
#pragma once

#include "options.h"

#include <stdint.h>

#include <string>

void set_question_policy(const Options &options, const std::string &archive_name);

// The notice question (a yes/no box of the notice pass): IDYES or IDNO.
int answer_notice(const std::string &cp932_text);

// The overwrite dialog for a file at `windows_path`: IDYES, IDNO, IDC_OVERWRITE_ALL or
// IDCANCEL.
int answer_overwrite(const std::string &windows_path);

// Whether a question was declined (No to the notice, quit) or could not be asked; the
// reason has been reported.
bool question_declined();

// Existing files kept by a No.
uint64_t files_kept();

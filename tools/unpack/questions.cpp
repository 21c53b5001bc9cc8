// Answers: -y and -n first, then the terminal; without a terminal an open question ends
// the run (exit 3) rather than waiting for an answer that cannot come.
//
// -n concerns existing files only. The notice asks whether to extract at all, so -n does
// not answer it: it is asked on the terminal, or accepted with -y.
#include "questions.h"
#include "program_messages.h"
#include "resource.h"
#include "terminal.h"
#include "text.h"

#include <windows.h>

#include <stdio.h>

namespace {

const Options *policy = nullptr;
std::string archive;
bool declined = false;
uint64_t kept = 0;

int cannot_ask(const std::string &why, int answer) {
    report(why);
    declined = true;
    return answer;
}

} // namespace

void set_question_policy(const Options &options, const std::string &archive_name) {
    policy = &options;
    archive = archive_name;
}

int answer_notice(const std::string &cp932_text) {
    bool asking = !policy->yes && can_ask();
    if (!policy->quiet || asking) {
        clear_progress();
        fprintf(stderr, "%s shows this notice before extracting:\n\n%s\n\n", archive.c_str(),
                printable(cp932_text, true).c_str());
    }
    if (policy->yes)
        return IDYES;
    if (!asking)
        return cannot_ask(archive + ": the notice asks whether to go on, and there is no "
                                    "terminal to answer: give -y to accept it",
                          IDNO);
    std::string answer;
    while (ask("Accept it and extract? [y]es, [n]o: ", answer)) {
        if (answer == "y" || answer == "yes")
            return IDYES;
        if (answer == "n" || answer == "no")
            break;
    }
    declined = true;
    if (!interrupted())
        report(archive + ": the notice was declined; nothing was extracted");
    return IDNO;
}

int answer_overwrite(const std::string &windows_path) {
    std::string shown = display_path(windows_path);
    if (policy->no) {
        kept++;
        return IDNO;
    }
    if (policy->yes)
        return IDYES;
    if (!can_ask())
        return cannot_ask(shown + " exists, and there is no terminal to ask: give -y to "
                                  "replace existing files or -n to keep them",
                          IDCANCEL);
    std::string answer;
    while (ask("replace " + shown + "? [y]es, [n]o, [a]ll, [q]uit: ", answer)) {
        if (answer == "y" || answer == "yes")
            return IDYES;
        if (answer == "n" || answer == "no") {
            kept++;
            return IDNO;
        }
        if (answer == "a" || answer == "all")
            return IDC_OVERWRITE_ALL;
        if (answer == "q" || answer == "quit")
            break;
    }
    declined = true;
    if (!interrupted())
        report("stopped at " + shown + "; the files extracted before it stay");
    return IDCANCEL;
}

bool question_declined() {
    return declined;
}

uint64_t files_kept() {
    return kept;
}

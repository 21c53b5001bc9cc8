// The exit codes of kolvane-unpack (documented in --help and in README.md).
#pragma once

enum : int {
    EXIT_DONE = 0,     // success
    EXIT_DAMAGED = 1,  // the archive cannot be read or is damaged, or a member failed
    EXIT_USAGE = 2,    // the command line is wrong
    EXIT_DECLINED = 3, // a question was declined or could not be asked, or the run was cancelled
};

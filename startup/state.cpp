// The process-wide state and the abort.
#include "startup/abort.h"
#include "startup/state.h"

ExtractState state;
void *abort_jump[5];

void raise_abort() {
    __builtin_longjmp(abort_jump, 1);
}

LONG abort_filter(DWORD code) {
    if (code != ABORT_CODE)
        return EXCEPTION_CONTINUE_SEARCH;
    state.failed = 1;
    return EXCEPTION_EXECUTE_HANDLER;
}

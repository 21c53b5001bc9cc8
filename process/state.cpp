// The process-wide state and the abort.
#include "process/abort.h"
#include "process/state.h"

ExtractState state;
void *abort_jump[5];

void raise_abort() {
    __builtin_longjmp(abort_jump, 1);
}

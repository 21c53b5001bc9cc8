#include "abort_guard.h"
#include "process/abort.h"
#include "process/state.h"

__attribute__((noinline)) bool run_guarded(const std::function<void()> &body) {
    if (ABORT_GUARD()) {
        body();
        return true;
    }
    state.failed = 1;
    return false;
}

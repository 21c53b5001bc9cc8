#include "abort_guard.h"
#include "process/abort.h"

__attribute__((noinline)) bool run_guarded(const std::function<void()> &body) {
    if (ABORT_GUARD()) {
        body();
        return true;
    }
    abort_filter(ABORT_CODE);
    return false;
}

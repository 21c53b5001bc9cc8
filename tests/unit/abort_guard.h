// Runs code under the abort guard, as the extraction driver runs member expansion.
#pragma once

#include <functional>

// Calls `body` with the abort guard set in a frame that stays live while it runs. Returns
// true when `body` returned, false when it aborted (state.failed is then set, as the
// driver sets it).
bool run_guarded(const std::function<void()> &body);

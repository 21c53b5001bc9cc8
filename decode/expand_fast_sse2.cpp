// The inner loop of member expansion for processors with SSE2 (and so conditional moves),
// chosen by decode/expand.cpp when the system reports them; the Windows build compiles this
// file for the Pentium 4 (cmake/windows.cmake), the host build as every other file.
#include "decode/expand_fast.h"
#include "decode/expand_loop.h"

uint32_t expand_fast_sse2(uint32_t *distance_out) {
    return expand_loop(distance_out);
}

// Asking the system first matters: it reports SSE2 only when it also saves the SSE registers
// across task switches, which Windows 95 does not, whatever the processor. Any processor with
// SSE2 has CPUID, so its feature bits can then be read without the older processors' tests.
#include "process/processor.h"
#include "process/state.h"

#include <cpuid.h>

namespace {

typedef BOOL(WINAPI *FeatureQuery)(DWORD feature);

// Only ever called on a processor with SSE2: the one place that executes CPUID.
__attribute__((noinline)) bool cpuid_reports_clmul() {
    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    return (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
}

} // namespace

void detect_processor() {
    state.processor_sse2 = 0;
    state.processor_clmul = 0;
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    FARPROC query = kernel ? GetProcAddress(kernel, "IsProcessorFeaturePresent") : nullptr;
    if (!query || !reinterpret_cast<FeatureQuery>(reinterpret_cast<void (*)()>(query))(
                      PF_XMMI64_INSTRUCTIONS_AVAILABLE))
        return;
    state.processor_sse2 = 1;
    state.processor_clmul = cpuid_reports_clmul();
}

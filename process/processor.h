// What the processor offers beyond the 80386, for the code compiled for later ones.
#pragma once

// Sets state.processor_sse2 when the system reports SSE2 and state.processor_clmul when the
// processor also has carry-less multiplication and SSE4.1; both stay 0 on systems that
// cannot say (IsProcessorFeaturePresent is missing before Windows 98 and NT 4.0).
void detect_processor();

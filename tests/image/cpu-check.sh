#!/bin/bash
# The stub must run on every processor Windows 95 and NT 3.51 run on, the 80386 included:
# its code may hold no instruction that came later (conditional moves, byte swaps, the
# atomic exchanges, CPUID, timestamp reads, MMX or SSE registers, and the like).
# Usage: cpu-check.sh OBJDUMP STUB
set -euo pipefail
objdump=$1 stub=$2
later='^(cmov|fcmov|fcomi|fucomi|bswap|cmpxchg|xadd|cpuid|rdtsc|rdpmc|ud2|sysenter|syscall|movbe|popcnt|lzcnt|tzcnt|andn|bextr|bls|shlx|shrx|sarx|rorx|pdep|pext|crc32|prefetch|[lms]fence|clflush|emms)'
found=$("$objdump" -d --no-show-raw-insn "$stub" |
    awk -F'\t' -v later="$later" 'NF >= 2 {
        split($2, word, " ")
        if (word[1] ~ later || $2 ~ /%[xyz]?mm[0-9]/) print $1 $2
    }')
if [ -n "$found" ]; then
    echo "instructions newer than the 80386 in $stub:"
    echo "$found" | head -20
    exit 1
fi
echo "$stub: 80386 instructions only"

#!/bin/bash
# The stub must run on every processor Windows 95 and NT 3.51 run on, the 80386 included:
# its code may hold no instruction that came later (conditional moves, byte swaps, the
# atomic exchanges, CPUID, timestamp reads, MMX or SSE registers, and the like), except in
# the functions named for the later processors ("sse2" or "clmul" in the name), which the
# program calls only when it has found such a processor. The link map gives their addresses.
# Usage: cpu-check.sh OBJDUMP STUB MAP
set -euo pipefail
objdump=$1 stub=$2 map=$3
later='^(cmov|fcmov|fcomi|fucomi|bswap|cmpxchg|xadd|cpuid|rdtsc|rdpmc|ud2|sysenter|syscall|movbe|popcnt|lzcnt|tzcnt|andn|bextr|bls|shlx|shrx|sarx|rorx|pdep|pext|crc32|prefetch|[lms]fence|clflush|emms)'
found=$("$objdump" -d --no-show-raw-insn "$stub" |
    awk -F'\t' -v later="$later" 'NF >= 2 {
        split($2, word, " ")
        if (word[1] ~ later || $2 ~ /%[xyz]?mm[0-9]/) print $1 $2
    }')
# "start end" of each function for the later processors; a section's address and size
# follow its name on the same line or, for a long name, on the next.
allowed=()
while read -r start size; do
    allowed+=("$((start)) $((start + size))")
done < <(awk '
    /^ \.text\$/ { named = $1 ~ /sse2|clmul/; if (named && NF >= 3) print $2, $3; next }
    named && $1 ~ /^0x/ { print $1, $2 }
    { named = 0 }' "$map")
outside=""
while IFS= read -r line; do
    [ -n "$line" ] || continue
    address=${line%%:*}
    address=$((0x${address//[[:space:]]/}))
    inside=0
    for range in "${allowed[@]}"; do
        read -r start end <<<"$range"
        if ((address >= start && address < end)); then inside=1; fi
    done
    ((inside)) || outside+="$line"$'\n'
done <<<"$found"
if [ -n "$outside" ]; then
    echo "instructions newer than the 80386 in $stub, outside the functions named for them:"
    printf '%s' "$outside" | head -20
    exit 1
fi
echo "$stub: 80386 instructions only, except in ${#allowed[@]} functions for later processors"

#!/usr/bin/env bash
# Reports the stub's size: the whole file, its header area and each section's bytes on disk
# and in use. A report, not a test.
#   bench/stub-size.sh [STUB]     (default: build/win/kolvane95.exe)
set -euo pipefail

stub=${1:-$(dirname "$0")/../build/win/kolvane95.exe}
if [ ! -f "$stub" ]; then
  echo "stub-size: $stub is missing; build it with 'make win'" >&2
  exit 1
fi

u16() { od -An -tu2 -j "$1" -N2 "$stub" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$stub" | tr -d ' '; }

pe=$(u32 60)
sections=$(u16 $((pe + 6)))
optional_size=$(u16 $((pe + 20)))
table=$((pe + 24 + optional_size))

printf '%-28s %8d bytes\n' "$(basename "$stub")" "$(stat -c %s "$stub")"
printf '%-28s %8d bytes\n' "header area" "$(u32 $((pe + 24 + 60)))"
printf '%-10s %17s %8s\n' section "on disk" "in use"
for ((i = 0; i < sections; i++)); do
  entry=$((table + 40 * i))
  name=$(dd if="$stub" bs=1 skip="$entry" count=8 status=none | tr -d '\0')
  printf '%-10s %17d %8d\n' "$name" "$(u32 $((entry + 16)))" "$(u32 $((entry + 8)))"
done

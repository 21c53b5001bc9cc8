#!/bin/bash
# Benchmark of the builder's decoders of the older methods: jLHA writes -lh1-, -lh2-, -lh3-,
# -lzs- and -lz5- archives of a mixed corpus (documentation text, executables) gathered at
# run time; legacy_expand expands them (CRC checked) against `lhasa t` where lhasa knows the
# method. Each figure is the best of RUNS CPU times.
# Usage: bench/legacy-bench.sh [CORPUS_MB] [RUNS]   (defaults: 8, 3)
# Needs the host build (build/host/legacy_expand), or KOLVANE_BUILD=folder, and the JDK.
set -euo pipefail
corpus_mb=${1:-8}
runs=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
expand=${KOLVANE_BUILD:-$root/build/host}/legacy_expand
[ -x "$expand" ] || { echo "missing $expand: build the legacy_expand target first" >&2; exit 1; }
# shellcheck source=corpus.sh
source "$root/bench/corpus.sh"
corpus_scratch legacy-bench
mkdir "$work/gathered"
part=$((corpus_mb * 1024 * 1024 / 2))
docs "$work/gathered" "$part"
find /usr/bin -maxdepth 1 -type f -size +20k 2>/dev/null | sort | take "$work/gathered" "$part" bin
# jLHA counts an -lh2- position made while the position code has a single symbol, which
# other writers do not: each file starts with 96 bytes that cannot match.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(i * 7 % 256 for i in range(96)))' \
    >"$work/head"
for f in "$work"/gathered/*; do
    cat "$work/head" "$f" >"$work/corpus/$(basename "$f")"
done
total=$(cat "$work"/corpus/* | wc -c)
echo "corpus: $(find "$work/corpus" -type f | wc -l) files, $total bytes"

printf '\n%-7s %10s %10s %10s %10s %11s\n' method packed ours "ours MB/s" "lhasa t" "lhasa/ours"
for method in -lh1- -lh2- -lh3- -lzs- -lz5-; do
    archive="$work/a$method.lzh"
    java -cp /usr/share/java/jlha.jar "$root/tests/legacy/WriteArchive.java" "$archive" "$method" 0 \
        "$work"/corpus/*
    expanded=$("$expand" "$archive")
    ours=$(best "$expand" "$archive")
    if lhasa tq "$archive" >/dev/null 2>&1; then
        lhasa=$(best lhasa tq "$archive")
        ratio=$(printf '%.2fx' "$(echo "$lhasa / $ours" | bc -l)")
        lhasa=$(printf '%.3fs' "$lhasa")
    else
        lhasa="-" ratio="-"
    fi
    printf '%-7s %10s %9.3fs %10.0f %10s %11s\n' "$method" "$(stat -c %s "$archive")" "$ours" \
        "$(echo "$expanded / $ours / 1000000" | bc -l)" "$lhasa" "$ratio"
done
echo "(CPU seconds, best of $runs; ours: legacy_expand, CRC checked; MB/s of expanded output;"
echo " jLHA stores as -lh0- what it cannot shrink, and those members are not counted)"

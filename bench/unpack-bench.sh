#!/bin/bash
# Decoder benchmark: `kolvane-unpack -t` beside `lhasa t` and `7zz t` on the same archives
# (-lh5- and -lh7-, made by jlha from text and binaries gathered at run time from /usr/share
# and /usr/lib), with the peak memory of kolvane-unpack.
# Usage: bench/unpack-bench.sh [UNPACK] [CORPUS_MB] [RUNS]
#        (defaults: build/host/kolvane-unpack, 80, 5)
# Each tool runs RUNS times per archive; the best wall-clock time and the best CPU time
# (user + system) count. CPU time is the steadier figure on a busy machine.
# Goals: at least 2x faster than 7zz, 4x faster than lhasa, at most 4 MiB resident. Then
# `kolvane-unpack -t -q` on the -lh7- archive against `libdeflate-gzip -t` on a tar of the
# same corpus compressed at level 12 (goal: at least as fast, CPU time).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
unpack=${1:-$root/build/host/kolvane-unpack}
corpus_mb=${2:-80}
runs=${3:-5}
work=$(mktemp -d /tmp/unpack-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"

# Copies files from a list, keeping their folders, until `budget` bytes are taken.
take() {
    local budget=$1 used=0 f size
    while IFS= read -r f; do
        size=$(stat -c %s "$f")
        ((size <= budget - used)) || continue
        cp --parents "$f" "$work/corpus/" 2>/dev/null || continue
        used=$((used + size))
        ((used < budget * 98 / 100)) || break
    done
}
half=$((corpus_mb * 1024 * 1024 / 2))
find /usr/share -type f -size +4k ! -name '*.gz' ! -name '*.xz' ! -name '*.bz2' \
    ! -name '*.png' ! -name '*.jpg' ! -name '*.zip' 2>/dev/null | sort | take "$half" ||
    true # find ends on SIGPIPE once enough is taken
find /usr/lib -type f -size +16k \( -name '*.so*' -o -name '*.a' \) 2>/dev/null | sort |
    take "$half" || true
echo "corpus: $(find "$work/corpus" -type f | wc -l) files, $(du -sb "$work/corpus" | cut -f1) bytes"

# One measured run: "wall cpu peak-KiB". The shell's own timing keeps milliseconds, where
# /usr/bin/time rounds to 10 ms: a -t run takes about a tenth of a second. It counts the
# command and the /usr/bin/time around it, which reports the peak and costs next to nothing.
measure() {
    local TIMEFORMAT='%3R %3U %3S'
    { time /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>&1; } 2>"$work/time" ||
        { echo "failed: $*" >&2; exit 1; }
    awk -v peak="$(cat "$work/peak")" '{ printf "%s %.3f %s\n", $1, $2 + $3, peak }' "$work/time"
}

# Best wall and CPU time of `runs` runs, and the largest peak: "wall cpu peak".
best_of() {
    local i wall=999999 cpu=999999 peak=0 w c p
    for ((i = 0; i < runs; i++)); do
        read -r w c p < <(measure "$@")
        wall=$(awk -v a="$w" -v b="$wall" 'BEGIN { print (a < b) ? a : b }')
        cpu=$(awk -v a="$c" -v b="$cpu" 'BEGIN { print (a < b) ? a : b }')
        ((p > peak)) && peak=$p
    done
    echo "$wall $cpu $peak"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

for method in 5 7; do
    archive=$work/lh$method.lzh
    (cd "$work/corpus" && LC_ALL=C.UTF-8 jlha "c2o$method" "$archive" usr >/dev/null 2>&1)
    echo
    echo "-lh$method-: $(stat -c %s "$archive") bytes"
    read -r k_wall k_cpu k_peak < <(best_of "$unpack" -t -q "$archive")
    read -r l_wall l_cpu l_peak < <(best_of lhasa tq "$archive")
    read -r z_wall z_cpu z_peak < <(best_of 7zz t "$archive")
    printf '  %-16s %8s %8s %10s %14s\n' tool "wall s" "CPU s" "peak KiB" "x kolvane (CPU)"
    printf '  %-16s %8s %8s %10s %14s\n' "kolvane-unpack -t" "$k_wall" "$k_cpu" "$k_peak" 1.00
    printf '  %-16s %8s %8s %10s %14s\n' "7zz t" "$z_wall" "$z_cpu" "$z_peak" "$(ratio "$z_cpu" "$k_cpu")"
    printf '  %-16s %8s %8s %10s %14s\n' "lhasa t" "$l_wall" "$l_cpu" "$l_peak" "$(ratio "$l_cpu" "$k_cpu")"
    echo "  wall-clock ratios: 7zz $(ratio "$z_wall" "$k_wall")x, lhasa $(ratio "$l_wall" "$k_wall")x"
    echo "  goals: 7zz >= 2x: $(awk -v r="$(ratio "$z_cpu" "$k_cpu")" 'BEGIN { print (r >= 2) ? "met" : "MISSED" }')," \
        "lhasa >= 4x: $(awk -v r="$(ratio "$l_cpu" "$k_cpu")" 'BEGIN { print (r >= 4) ? "met" : "MISSED" }')," \
        "peak <= 4096 KiB: $( ((k_peak <= 4096)) && echo met || echo MISSED)"
done

echo
if ! command -v libdeflate-gzip >/dev/null; then
    echo "libdeflate-gzip: not measured (install libdeflate-tools, see scripts/install-deps.sh)"
    exit 0
fi
tar cf "$work/corpus.tar" -C "$work" corpus
libdeflate-gzip -12 "$work/corpus.tar"
k_cpu=999999 d_cpu=999999
for ((i = 0; i < runs; i++)); do # alternating
    read -r _ c _ < <(measure "$unpack" -t -q "$work/lh7.lzh")
    k_cpu=$(awk -v a="$c" -v b="$k_cpu" 'BEGIN { print (a < b) ? a : b }')
    read -r _ c _ < <(measure libdeflate-gzip -t "$work/corpus.tar.gz")
    d_cpu=$(awk -v a="$c" -v b="$d_cpu" 'BEGIN { print (a < b) ? a : b }')
done
echo "kolvane-unpack -t -q (-lh7-, $(stat -c %s "$work/lh7.lzh") bytes):       CPU $k_cpu s"
echo "libdeflate-gzip -t (level 12, $(stat -c %s "$work/corpus.tar.gz") bytes): CPU $d_cpu s"
echo "speed ratio libdeflate/kolvane (CPU, best of $runs): $(ratio "$d_cpu" "$k_cpu")x (goal >= 1.0x)"

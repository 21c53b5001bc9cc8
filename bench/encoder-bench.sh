#!/bin/bash
# Builder benchmark: `kolvane-make --method lh7` against `jlha c2o7` packing the same folder, a
# mixed corpus (documentation text, executables, shared libraries) gathered at run time.
# Usage: bench/encoder-bench.sh [METHOD] [CORPUS_MB] [RUNS]   (defaults: 7, 40, 5)
# Each tool runs RUNS times, alternating; the best wall-clock and CPU (user + system) times
# count. Sizes compare the members' data (compressed or stored), headers left out.
# Goals: at most 0.98x jlha's size, at least 2x its speed. Needs `make` to have run.
set -euo pipefail
method=${1:-7}
corpus_mb=${2:-40}
runs=${3:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
make=$root/build/host/kolvane-make
if [ ! -x "$make" ] || [ ! -f "$root/build/win/kolvane95.exe" ]; then
    echo "run make first" >&2
    exit 1
fi
# shellcheck source=corpus.sh
source "$root/bench/corpus.sh"
corpus_scratch encoder-bench
part=$((corpus_mb * 1024 * 1024 / 4))
# Text in pieces of 1 MiB (documentation) and 2 MiB (change logs); binaries as they are.
find /usr/share/doc -type f ! -name '*.gz' -print0 2>/dev/null | sort -z | xargs -0 cat 2>/dev/null |
    head -c "$part" | (cd "$work/corpus" && split -b 1M - doc_) || true # cat ends on SIGPIPE
find /usr/share/doc -type f -name '*.gz' -print0 2>/dev/null | sort -z | xargs -0 zcat 2>/dev/null |
    head -c "$part" | (cd "$work/corpus" && split -b 2M - log_) || true
find /usr/bin -maxdepth 1 -type f -size +20k 2>/dev/null | sort | take "$work/corpus" "$part" bin
find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size +20k 2>/dev/null | sort |
    take "$work/corpus" "$part" lib

files=("$work"/corpus/*)
echo "corpus: ${#files[@]} files, $(cat "${files[@]}" | wc -c) bytes"
jlha=$(command -v jlha || command -v lha)

# Best wall and CPU seconds of a command over the runs so far, in best_wall_NAME / best_cpu_NAME.
timed() { # NAME COMMAND...
    local name=$1 wall cpu
    shift
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >"$work/$name.out"
    read -r wall cpu < <(awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time")
    local -n best_wall=best_wall_$name best_cpu=best_cpu_$name
    if [ -z "${best_wall:-}" ] || (($(echo "$wall < $best_wall" | bc))); then best_wall=$wall; fi
    if [ -z "${best_cpu:-}" ] || (($(echo "$cpu < $best_cpu" | bc))); then best_cpu=$cpu; fi
}
best_wall_ours='' best_cpu_ours='' best_wall_jlha='' best_cpu_jlha=''
cd "$work/corpus" # jlha stores the names as given
for ((run = 0; run < runs; run++)); do
    timed ours "$make" -o "$work/ours.exe" --method "lh$method" "$work/corpus"
    rm -f "$work/jlha.lzh"
    # shellcheck disable=SC2035  # jlha stores the names as given; none starts with a dash
    timed jlha "$jlha" "c2o$method" "$work/jlha.lzh" *
done

# The archive part of the self-extractor, checked by the independent tools.
offset=$(sed -nE 's/.* at offset ([0-9]+)$/\1/p' "$work/ours.out")
tail -c +$((offset + 1)) "$work/ours.exe" >"$work/ours.lzh"
lhasa t "$work/ours.lzh" >"$work/lhasa.log" 2>&1 || { echo "lhasa t FAILED"; tail "$work/lhasa.log"; exit 1; }
7zz t "$work/ours.lzh" >"$work/7zz.log" 2>&1 || { echo "7zz t FAILED"; tail "$work/7zz.log"; exit 1; }
echo "ours: lhasa t and 7zz t pass"

# Sums of the members' data from the listings' total lines.
ours_packed=$(lhasa v "$work/ours.lzh" | awk '$1 == "Total" { print $4 }')
jlha_packed=$(lhasa v "$work/jlha.lzh" | awk '$1 == "Total" { print $4 }')
echo "kolvane-make: data $ours_packed bytes, best of $runs: wall $best_wall_ours s, cpu $best_cpu_ours s"
echo "jlha c2o$method:    data $jlha_packed bytes, best of $runs: wall $best_wall_jlha s, cpu $best_cpu_jlha s"
echo "size ratio ours/jlha:            $(echo "scale=4; $ours_packed / $jlha_packed" | bc)"
echo "speed ratio jlha/ours, wall:     $(echo "scale=2; $best_wall_jlha / $best_wall_ours" | bc)"
echo "speed ratio jlha/ours, cpu time: $(echo "scale=2; $best_cpu_jlha / $best_cpu_ours" | bc)"
echo "(kolvane-make compresses one file per processor at once, each on two threads: the wall"
echo " time is the goal's measure, the CPU time shows the work done)"

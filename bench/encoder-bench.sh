#!/bin/bash
# Builder benchmark: `kolvane-make --method lhN` against `jlha c2oN` packing the same folder,
# gathered at run time. Usage: bench/encoder-bench.sh [CORPUS] [RUNS] [METHOD]
#   CORPUS mixed (default): ~40 MB of documentation text, executables and shared libraries
#          big:   two files of 40 MiB, one of documentation text, one of shared libraries
#          small: 5,000 files of 2 KiB to 512 KiB, half text and data from /usr/share, half
#                 programs, libraries and scripts from /usr/lib, /usr/libexec and /usr/bin
#   RUNS 5, METHOD 7.
# Each tool runs RUNS times, alternating; the best wall-clock and CPU (user + system) times
# count. Sizes compare the members' data (compressed or stored), headers left out. With
# BASE_MAKE set to another kolvane-make (an earlier build), that one runs in the same rotation
# and is printed beside. Goals: at most 0.97x jlha's size, at least 3x its speed (wall clock,
# 2 processors, idle machine). Needs `make` to have run.
set -euo pipefail
corpus=${1:-mixed}
runs=${2:-5}
method=${3:-7}
root=$(cd "$(dirname "$0")/.." && pwd)
make=$root/build/host/kolvane-make
if [ ! -x "$make" ] || [ ! -f "$root/build/win/kolvane95.exe" ]; then
    echo "run make first" >&2
    exit 1
fi
# shellcheck source=corpus.sh
source "$root/bench/corpus.sh"
corpus_scratch encoder-bench
mib=$((1024 * 1024))

# Files found under the folders given, sorted, without the kinds that are compressed already.
plain_files() { # MIN_SIZE MAX_SIZE FOLDER...
    local min=$1 max=$2
    shift 2
    find "$@" -type f -size "+$min" -size "-$max" ! -name '*.gz' ! -name '*.xz' ! -name '*.bz2' \
        ! -name '*.zst' ! -name '*.zip' ! -name '*.jar' ! -name '*.png' ! -name '*.jpg' \
        ! -name '*.ttf' ! -name '*.woff*' 2>/dev/null | sort
}

# every_nth COUNT: COUNT lines spread evenly over standard input.
every_nth() {
    awk -v count="$1" '{ line[NR] = $0 } END {
        for (i = 0; i < count && i < NR; i++) print line[int(i * NR / count) + 1] }'
}

case $corpus in
mixed)
    part=$((10 * mib))
    # Text in pieces of 1 MiB (documentation) and 2 MiB (change logs); binaries as they are.
    docs "$work/corpus" "$part"
    find /usr/share/doc -type f -name '*.gz' -print0 2>/dev/null | sort -z | xargs -0 zcat 2>/dev/null |
        head -c "$part" | (cd "$work/corpus" && split -b 2M - log_) || true
    find /usr/bin -maxdepth 1 -type f -size +20k 2>/dev/null | sort | take "$work/corpus" "$part" bin
    find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size +20k 2>/dev/null | sort |
        take "$work/corpus" "$part" lib
    ;;
big)
    docs "$work" $((40 * mib))
    cat "$work"/doc_* >"$work/corpus/text.txt"
    rm "$work"/doc_*
    find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' 2>/dev/null | sort |
        xargs cat 2>/dev/null | head -c $((40 * mib)) >"$work/corpus/libs.bin" || true
    ;;
small)
    n=0
    while IFS= read -r f; do
        cp "$f" "$work/corpus/f$((n++))_$(basename "$f")"
    done < <(plain_files 2k 512k /usr/share | every_nth 2500
        plain_files 2k 512k /usr/lib /usr/libexec /usr/bin | every_nth 2500)
    ;;
*)
    echo "unknown corpus $corpus (mixed, big or small)" >&2
    exit 1
    ;;
esac

files=("$work"/corpus/*)
echo "corpus $corpus: ${#files[@]} files, $(cat "${files[@]}" | wc -c) bytes"
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
# shellcheck disable=SC2034  # read through the namerefs of timed and report
best_wall_ours='' best_cpu_ours='' best_wall_jlha='' best_cpu_jlha='' best_wall_base='' best_cpu_base=''
cd "$work/corpus" # jlha stores the names as given
for ((run = 0; run < runs; run++)); do
    timed ours "$make" -o "$work/ours.exe" --method "lh$method" "$work/corpus"
    rm -f "$work/jlha.lzh"
    # shellcheck disable=SC2035  # jlha stores the names as given; none starts with a dash
    timed jlha "$jlha" "c2o$method" "$work/jlha.lzh" *
    [ -z "${BASE_MAKE:-}" ] ||
        timed base "$BASE_MAKE" -o "$work/base.exe" --method "lh$method" "$work/corpus"
done

# The archive part of a self-extractor, checked by the independent tools; its data size.
packed_size() { # NAME
    local offset
    offset=$(sed -nE 's/.* at offset ([0-9]+)$/\1/p' "$work/$1.out")
    tail -c +$((offset + 1)) "$work/$1.exe" >"$work/$1.lzh"
    lhasa t "$work/$1.lzh" >"$work/lhasa.log" 2>&1 ||
        { echo "$1: lhasa t FAILED" >&2; tail "$work/lhasa.log" >&2; exit 1; }
    7zz t "$work/$1.lzh" >"$work/7zz.log" 2>&1 ||
        { echo "$1: 7zz t FAILED" >&2; tail "$work/7zz.log" >&2; exit 1; }
    lhasa v "$work/$1.lzh" | awk '$1 == "Total" { print $4 }'
}
jlha_packed=$(lhasa v "$work/jlha.lzh" | awk '$1 == "Total" { print $4 }')
printf '%-14s %12s %9s %8s %7s %7s %7s\n' tool data "wall s" "cpu s" size "speed" "cpu"
report() { # NAME LABEL PACKED
    local -n wall=best_wall_$1 cpu=best_cpu_$1
    printf '%-14s %12s %9s %8s %7s %7s %7s\n' "$2" "$3" "$wall" "$cpu" \
        "$(echo "scale=4; $3 / $jlha_packed" | bc)" "$(echo "scale=2; $best_wall_jlha / $wall" | bc)" \
        "$(echo "scale=2; $best_cpu_jlha / $cpu" | bc)"
}
report ours kolvane-make "$(packed_size ours)"
[ -z "${BASE_MAKE:-}" ] || report base base "$(packed_size base)"
report jlha "jlha c2o$method" "$jlha_packed"
echo "best of $runs runs; size, speed (wall) and cpu are ratios against jlha (speed: jlha's"
echo "time / ours). lhasa t and 7zz t pass on the self-extractors' archives."

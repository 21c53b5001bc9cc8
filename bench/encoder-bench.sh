#!/bin/bash
# Encoder benchmark: size and speed of the LZH encoder against `jlha c2o7` on a mixed corpus
# (documentation text, executables, shared libraries) gathered at run time.
# Usage: bench/encoder-bench.sh [METHOD] [CORPUS_MB]   (defaults: 7, 40)
set -euo pipefail
method=${1:-7}
corpus_mb=${2:-40}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/encoder-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"

# Copies files from a list until `budget` bytes are taken, under flattened unique names.
take() {
    local budget=$1 prefix=$2 used=0 n=0 f size
    while IFS= read -r f; do
        size=$(stat -c %s "$f")
        (( size <= budget - used )) || continue
        cp "$f" "$work/corpus/$prefix$((n++))_$(basename "$f")"
        used=$((used + size))
        (( used < budget * 98 / 100 )) || break
    done
}
part=$((corpus_mb * 1024 * 1024 / 4))
# Text in pieces of 1 MiB (documentation) and 2 MiB (change logs); binaries as they are.
find /usr/share/doc -type f ! -name '*.gz' -print0 2>/dev/null | sort -z | xargs -0 cat |
    head -c "$part" | (cd "$work/corpus" && split -b 1M - doc_) || true # cat ends on SIGPIPE
find /usr/share/doc -type f -name '*.gz' -print0 2>/dev/null | sort -z | xargs -0 zcat 2>/dev/null |
    head -c "$part" | (cd "$work/corpus" && split -b 2M - log_) || true
find /usr/bin -maxdepth 1 -type f -size +20k 2>/dev/null | sort | take "$part" bin
find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size +20k 2>/dev/null | sort |
    take "$part" lib

files=("$work"/corpus/*)
total=$(cat "${files[@]}" | wc -c)
echo "corpus: ${#files[@]} files, $total bytes"

g++ -O2 -std=c++20 -pthread -I"$root/tools/encoder" "$root"/tools/encoder/*.cpp \
    "$root/bench/encoder_bench.cpp" -o "$work/encoder_bench"

# Wall and CPU (user + system) seconds of a command, into $timing as "WALL CPU".
timed() {
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@"
    timing=$(awk '{ printf "%.2f %.2f", $1, $2 + $3 }' "$work/time")
}

timed "$work/encoder_bench" "$method" "$work/ours.lzh" "${files[@]}" > "$work/ours.txt"
read -r ours_wall ours_cpu <<< "$timing"
echo "ours: $(cat "$work/ours.txt")"
echo "ours: process wall $ours_wall s, cpu $ours_cpu s"
lhasa t "$work/ours.lzh" > "$work/lhasa.log" 2>&1 || { echo "lhasa t FAILED"; tail "$work/lhasa.log"; exit 1; }
7zz t "$work/ours.lzh" > "$work/7zz.log" 2>&1 || { echo "7zz t FAILED"; tail "$work/7zz.log"; exit 1; }
echo "ours: lhasa t and 7zz t pass"

jlha=$(command -v jlha || command -v lha)
(cd "$work/corpus" && timed "$jlha" "c2o$method" "$work/jlha.lzh" * > /dev/null)
read -r jlha_wall jlha_cpu < <(awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time")
# Sum of jlha's member data (stored members included), from the listing's total line.
jlha_packed=$(lhasa v "$work/jlha.lzh" | awk '$1 == "Total" { print $4 }')
echo "jlha: packed-or-stored $jlha_packed, process wall $jlha_wall s, cpu $jlha_cpu s"

ours_packed=$(sed -E 's/.*packed-or-stored ([0-9]+).*/\1/' "$work/ours.txt")
echo "size ratio ours/jlha:            $(echo "scale=4; $ours_packed / $jlha_packed" | bc)"
echo "speed ratio jlha/ours, wall:     $(echo "scale=2; $jlha_wall / $ours_wall" | bc)"
echo "speed ratio jlha/ours, cpu time: $(echo "scale=2; $jlha_cpu / $ours_cpu" | bc)"
echo "(wall times depend on idle cores: the encoder finds matches on a second thread)"

#!/bin/bash
# Decoder benchmark: expanding whole archives through the program's own decoder (with the
# CRC of every member, output to /dev/null) against `lhasa t` and `7zz t` on the same
# jlha-made -lh5- and -lh7- archives of a mixed corpus (documentation text, executables,
# shared libraries) gathered at run time. Each figure is the best of RUNS CPU times.
# Then the same -lh7- archive through the decoder as shipped: the program compiled exactly as
# for the stub (32-bit x86, its flags), run under Wine (goal: at least 550 MB/s).
# Usage: bench/decode-bench.sh [CORPUS_MB] [RUNS]   (defaults: 40, 3)
# Needs the host build (build/host/expand_null, `make host`), or KOLVANE_BUILD=folder, and
# for the shipped figure the Windows build folder (build/win, `make win`) and Wine.
set -euo pipefail
corpus_mb=${1:-40}
runs=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
expand_null=${KOLVANE_BUILD:-$root/build/host}/expand_null
[ -x "$expand_null" ] || { echo "missing $expand_null: run \`make host\` first" >&2; exit 1; }
jlha=$(command -v jlha || command -v lha)
# shellcheck source=corpus.sh
source "$root/bench/corpus.sh"
corpus_scratch decode-bench
part=$((corpus_mb * 1024 * 1024 / 4))
docs "$work/corpus" "$part"
find /usr/share -type f \( -name '*.py' -o -name '*.txt' -o -name '*.xml' -o -name '*.html' \) \
    -print0 2>/dev/null | sort -z | xargs -0 cat 2>/dev/null | head -c "$part" |
    (cd "$work/corpus" && split -b 2M - share_) || true
find /usr/bin -maxdepth 1 -type f -size +20k 2>/dev/null | sort | take "$work/corpus" "$part" bin
find /usr/lib/x86_64-linux-gnu /usr/lib -maxdepth 1 -type f -name '*.so*' -size +20k \
    2>/dev/null | sort -u | take "$work/corpus" "$part" lib

files=("$work"/corpus/*)
total=$(cat "${files[@]}" | wc -c)
echo "corpus: ${#files[@]} files, $total bytes"

printf '\n%-8s %10s %10s %10s %10s %10s %10s %12s\n' method size ours "ours MB/s" "7zz t" \
    "lhasa t" "7zz/ours" "lhasa/ours"
for method in 5 7; do
    archive="$work/o$method.lzh"
    # shellcheck disable=SC2035  # jlha stores the names as given; none starts with a dash
    (cd "$work/corpus" && "$jlha" "c2o$method" "$archive" * >/dev/null 2>&1)
    ours=$(best "$expand_null" "$archive")
    seven=$(best 7zz t "$archive")
    lhasa=$(best lhasa t "$archive")
    [ "$method" = 7 ] && cp "$archive" "$work/shipped.lzh"
    printf '%-8s %10s %9.3fs %10.0f %9.3fs %9.3fs %9.2fx %11.2fx\n' "-lh$method-" \
        "$(stat -c %s "$archive")" "$ours" "$(echo "$total / $ours / 1000000" | bc -l)" \
        "$seven" "$lhasa" "$(echo "$seven / $ours" | bc -l)" "$(echo "$lhasa / $ours" | bc -l)"
done
echo "(CPU seconds, best of $runs; ours: the program's reader, decoder and sink, CRC checked,"
echo " output to /dev/null; MB/s of expanded output)"

win=$root/build/win
if [ ! -d "$win" ] || ! command -v wine >/dev/null; then
    echo "shipped decoder: not measured (needs $win from \`make win\` and Wine)"
    exit 0
fi
cmake --build "$win" --target expand_shipped >/dev/null
export WINEPREFIX=${WINEPREFIX:-$root/build/host/wine-run/prefix} WINEARCH=win32 WINEDEBUG=-all
# The Wine tests run as an unprivileged user when started as root, and Wine refuses a prefix
# that another user owns: root runs the benchmark as the prefix's owner.
as_owner=()
if [ "$(id -u)" = 0 ] && [ -d "$WINEPREFIX" ] && [ "$(stat -c %u "$WINEPREFIX")" != 0 ]; then
    as_owner=(setpriv --reuid="$(stat -c %u "$WINEPREFIX")" --regid="$(stat -c %g "$WINEPREFIX")"
        --clear-groups env HOME="$(dirname "$WINEPREFIX")/home")
    chmod a+rx "$work"
    chmod a+r "$work/shipped.lzh"
fi
# Several passes in one process: Wine's start-up stays out, and the CPU clock's ticks matter less.
# The decoder takes the path this processor is given, and then the one for every processor.
for path in any 386; do
    best_rate=0 kind=
    for ((i = 0; i < runs; i++)); do
        line=$("${as_owner[@]}" wine "$win/expand_shipped.exe" "Z:${work//\//\\}\\shipped.lzh" 5 "$path")
        rate=$(awk '{ print $5 }' <<<"$line")
        kind=${line#*(}
        if ((rate > best_rate)); then best_rate=$rate; fi
    done
    echo "shipped decoder (32-bit x86, the stub's flags, under Wine), -lh7-, ${kind%\)}:" \
        "$best_rate MB/s of CPU time, best of $runs (goal >= 550)"
done

#!/bin/bash
# Stub speed: the real stub under Wine against kolvane-unpack extracting natively, on the same
# -lh7- self-extractor of about CORPUS_MB (half text, half shared libraries gathered at run
# time). The stub's time runs from Enter on its main dialog to the end of its process; the
# extractor's is its whole run. Runs alternate; each side's best and median wall times count,
# and the best CPU time (the stub's counts the wine server and the X server working for it),
# the steadier figure on a busy machine.
# Usage: bench/stub-bench.sh [CORPUS_MB] [RUNS] [STUB]
#        (defaults: 80, 5, build/win/kolvane95.exe)
# Needs `make` (both builds) and Wine with Xvfb (tests/wine/lib.sh). Goal: at most 1.5x.
set -euo pipefail
corpus_mb=${1:-80}
runs=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
stub=${3:-$root/build/win/kolvane95.exe}
make=$root/build/host/kolvane-make
unpack=$root/build/host/kolvane-unpack
if [ ! -x "$make" ] || [ ! -x "$unpack" ] || [ ! -f "$stub" ]; then
    echo "run make first" >&2
    exit 1
fi
# shellcheck source=corpus.sh
source "$root/bench/corpus.sh"
corpus_scratch stub-bench
half=$((corpus_mb * 1024 * 1024 / 2))
docs "$work/corpus" "$half"
find /usr/lib/x86_64-linux-gnu /usr/lib -maxdepth 1 -type f -name '*.so*' -size +20k \
    2>/dev/null | sort -u | take "$work/corpus" "$half" lib
total=$(du -sb "$work/corpus" | cut -f1)
echo "corpus: $(find "$work/corpus" -type f | wc -l) files, $total bytes"

title='Stub bench'
export WINE_RUN_DIR=${WINE_RUN_DIR:-$root/build/host/wine-run}
# shellcheck source=tests/wine/lib.sh
source "$root/tests/wine/lib.sh"
wine_setup
trap 'wine_cleanup; rm -rf "$work"' EXIT
sfx=$work/sfx.exe
"$make" -o "$sfx" --stub "$stub" --method lh7 --title "$title" --folder "$(wine_path "$work/stub-out")" \
    "$work/corpus" >/dev/null
echo "self-extractor: $(stat -c %s "$sfx") bytes"

now() { date +%s%N; }
ms() { echo $((($2 - $1) / 1000000)); }
# CPU milliseconds (user + system) a process has used so far.
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$1/stat"; }
# The wine server of this prefix, and the X server, work for the stub as well.
helpers_ms() {
    local pid sum=0
    for pid in $(pgrep -x wineserver) "$_WINE_XVFB_PID"; do
        if [ "$pid" = "$_WINE_XVFB_PID" ] ||
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            sum=$((sum + $(cpu_ms "$pid")))
        fi
    done
    echo "$sum"
}

# One run of the stub: "wall cpu", milliseconds from Enter on the main dialog to the end of
# its process; the CPU time counts the process, the wine server and the X server.
stub_run() {
    rm -rf "$work/stub-out"
    /usr/bin/time -f '%U %S' -o "$work/stub.time" wine "$sfx" >"$work/stub.log" 2>&1 \
        {_WINE_LOCK_FD}>&- &
    WINE_PID=$!
    local dialog start end code=0 process before_own before_helpers
    dialog=$(wait_window "^$title\$" 120) || exit 1
    focus_window "$dialog"
    process=$(pgrep -P "$WINE_PID" | head -1)
    before_helpers=$(helpers_ms)
    before_own=$(cpu_ms "$process")
    start=$(now)
    xdotool key Return
    wait "$WINE_PID" || code=$?
    end=$(now)
    WINE_PID=
    [ "$code" = 1 ] || { echo "the stub ended with $code, not 1 (log: $work/stub.log)" >&2; exit 1; }
    diff -rq "$work/corpus" "$work/stub-out" >/dev/null ||
        { echo "the stub's output differs" >&2; exit 1; }
    local own
    own=$(tail -n 1 "$work/stub.time" | awk '{ print int(($1 + $2) * 1000) }')
    echo "$(ms "$start" "$end") $((own - before_own + $(helpers_ms) - before_helpers))"
}

# One run of kolvane-unpack: "wall cpu" in milliseconds.
unpack_run() {
    rm -rf "$work/unpack-out"
    /usr/bin/time -f '%e %U %S' -o "$work/unpack.time" "$unpack" -y -q -d "$work/unpack-out" "$sfx"
    awk '{ print int($1 * 1000), int(($2 + $3) * 1000) }' "$work/unpack.time"
}

stub_wall=() stub_cpu=() unpack_wall=() unpack_cpu=()
for ((i = 0; i < runs; i++)); do
    read -r w c < <(stub_run)
    stub_wall+=("$w") stub_cpu+=("$c")
    read -r w c < <(unpack_run)
    unpack_wall+=("$w") unpack_cpu+=("$c")
    echo "run $((i + 1)): stub ${stub_wall[-1]} ms (cpu ${stub_cpu[-1]}), kolvane-unpack" \
        "${unpack_wall[-1]} ms (cpu ${unpack_cpu[-1]}), load $(cut -d' ' -f1 /proc/loadavg)"
done

best() { printf '%s\n' "$@" | sort -n | head -1; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-30s %9s %9s %9s\n' "" "best ms" "median" "best cpu"
printf '%-30s %9s %9s %9s\n' "stub under Wine (Enter to end)" "$(best "${stub_wall[@]}")" \
    "$(median "${stub_wall[@]}")" "$(best "${stub_cpu[@]}")"
printf '%-30s %9s %9s %9s\n' "kolvane-unpack -y -q -d" "$(best "${unpack_wall[@]}")" \
    "$(median "${unpack_wall[@]}")" "$(best "${unpack_cpu[@]}")"
echo "stub / kolvane-unpack: wall best $(ratio "$(best "${stub_wall[@]}")" "$(best "${unpack_wall[@]}")")x," \
    "median $(ratio "$(median "${stub_wall[@]}")" "$(median "${unpack_wall[@]}")")x," \
    "cpu $(ratio "$(best "${stub_cpu[@]}")" "$(best "${unpack_cpu[@]}")")x (goal <= 1.5x)"

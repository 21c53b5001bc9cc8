#!/bin/bash
# The decoder as the stub is compiled, under Wine, on each of its code paths: the loop and
# the CRC for every processor ("386") and those for processors with SSE2 and carry-less
# multiplication, on -lh5-, -lh6- and -lh7- archives of text and programs made by jlha.
# Both must expand the same bytes and find every CRC right.
#   decoder-paths.sh WIN_BUILD HOST_BUILD
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
win=$1 host=$2
wine_scratch decoder-paths
mkdir "$work/tree"
seq 1 400000 >"$work/tree/numbers.txt"
head -c 300000 /dev/zero >"$work/tree/zeros.bin"
cp "$host/kolvane-make" "$win/kolvane95.exe" "$work/tree/"
cp "$win/expand_shipped.exe" "$work/"

for method in 5 6 7; do
    archive=$work/o$method.lzh
    # shellcheck disable=SC2035  # jlha stores the names as given; none starts with a dash
    (cd "$work/tree" && jlha "c2o$method" "$archive" * >/dev/null 2>&1) ||
        { fail "jlha c2o$method failed"; continue; }
    sizes=()
    for path in any 386; do
        # Into a file, not a pipe: the services the first Wine program starts would hold a
        # pipe open for as long as they live.
        wine "$work/expand_shipped.exe" "$(wine_path "$archive")" 1 "$path" >"$work/out" 2>&1
        code=$?
        out=$(<"$work/out")
        echo "-lh$method-, $path: $out"
        [ "$code" = 0 ] || fail "-lh$method- on the $path path: exit $code"
        sizes+=("${out%% *}")
        if [ "$path" = any ] && [[ "$out" != *"carry-less"* ]]; then
            echo "NOTE: THIS PROCESSOR REPORTS NO SSE2 AND CARRY-LESS MULTIPLY UNDER WINE:" \
                "only the code for every processor was tested" >&2
        fi
    done
    [ "${sizes[0]}" = "${sizes[1]}" ] || fail "-lh$method-: ${sizes[0]} bytes against ${sizes[1]}"
done
[ "$failures" = 0 ] || exit 1
echo "both decoder paths expand every archive intact"

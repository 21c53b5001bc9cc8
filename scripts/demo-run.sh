#!/bin/bash
# The Wine part of `make demo`: runs the self-extractor EXE under Wine, answers its notice
# (TITLE) with Yes and the main dialog with OK, lists what was extracted and compares it with
# FOLDER, the tree it was made from. Screenshots are kept.
#   demo-run.sh EXE TITLE FOLDER
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$1 title=$2 folder=$3

export KOLVANE_ALLOW_NO_WINE=1
# shellcheck source=../tests/wine/lib.sh
source "$root/tests/wine/lib.sh"
wine_setup
# Where %TEMP% of the prefix lies, and the demo's folder below it from an earlier run.
temp=$(WINEDEBUG=-all wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
target=$(winepath -u "$temp\\Kolvane Demo" 2>/dev/null)
[ -n "$target" ] && rm -rf "$target"

wine_start "$exe"
notice=$(wait_window "^$title\$" 300) || exit 1
echo "notice shown: $(screenshot demo-1-notice)"
focus_window "$notice"
press alt+y
main=
for _ in $(seq 120); do
    main=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null |
        grep -vx "$notice" | head -1)
    [ -n "$main" ] && break
    sleep 1
done
[ -n "$main" ] || { echo "the main dialog did not appear (log: $WINE_LOG)" >&2; exit 1; }
sleep 1
echo "main dialog: $(screenshot demo-2-main-dialog)"
focus_window "$main"
press Return
code=0
wine_wait_exit 300 || code=$?
echo "the self-extractor ended with exit code $code (1 after an extraction)"
echo "extracted into $temp\\Kolvane Demo ($target):"
(cd "$target" 2>/dev/null && find . -mindepth 1 | LC_ALL=C sort | sed 's|^\./|  |') ||
    { echo "  nothing was extracted" >&2; exit 1; }
if diff -r "$folder" "$target" >/dev/null; then
    echo "every file is byte for byte the file it was made from"
else
    echo "the extracted files differ from $folder" >&2
    exit 1
fi
echo "screenshots: $WINE_RUN_DIR/screenshots/demo-*.png"

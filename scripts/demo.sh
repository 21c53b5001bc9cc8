#!/bin/bash
# `make demo`: makes a self-extractor of examples/demo/ with kolvane-make, shows what it
# holds, and runs it under Wine when Wine can run here: the notice is answered Yes, the
# proposed folder is accepted with OK, and the extracted files are listed. Screenshots are
# kept. Without Wine the demo says so loudly and still ends successfully after the build.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host=$root/build/host
demo=$root/build/demo
exe=$demo/kolvane-demo.exe
title='Kolvane 95 デモ'
folder='%TEMP%\Kolvane Demo'

banner() {
    echo "########################################################################"
    printf '%s\n' "$@"
    echo "########################################################################"
}

# Windows 95 reads text files in code page 932 with CR LF line ends: the example's texts
# (UTF-8 in the source tree) are converted in a copy, their times kept.
rm -rf "$demo"
mkdir -p "$demo"
cp -a "$root/examples/demo" "$demo/folder"
while IFS= read -r -d '' text; do
    iconv -f UTF-8 -t CP932 "$text" | sed 's/$/\r/' >"$text.new"
    touch -r "$text" "$text.new"
    mv "$text.new" "$text"
done < <(find "$demo/folder" -type f -name '*.txt' -print0)

"$host/kolvane-make" -o "$exe" --title "$title" --label '展開先フォルダ(&F):' \
    --folder "$folder" --message 'OK を押すと見本のファイルを展開します。' \
    --notice "$root/examples/demo-notice.txt" "$demo/folder" || exit 1
echo
echo "made $exe ($(stat -c %s "$exe") bytes)"
if [ -x "$host/kolvane-unpack" ]; then
    "$host/kolvane-unpack" -l "$exe"
fi
echo

lib=$root/tests/wine/lib.sh
if [ ! -f "$lib" ]; then
    banner "WINE NOT RUN: $lib is missing; the self-extractor was built but not run."
    exit 0
fi

# The Wine part runs in a subshell: the harness ends its shell when Wine cannot run.
(
    export KOLVANE_ALLOW_NO_WINE=1
    # shellcheck source=../tests/wine/lib.sh
    source "$lib"
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
    if diff -r "$demo/folder" "$target" >/dev/null; then
        echo "every file is byte for byte the file it was made from"
    else
        echo "the extracted files differ from $demo/folder" >&2
        exit 1
    fi
    echo "screenshots: $WINE_RUN_DIR/screenshots/demo-*.png"
)
status=$?
if [ "$status" != 0 ]; then
    banner "WINE DID NOT RUN THE DEMO (status $status): the self-extractor was built," \
        "$exe, but not run. See the messages above."
fi
exit 0

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

# The Wine part is a script of its own: run as root, the Wine harness starts that script over
# as an unprivileged user, which must not redo the build above.
status=0
bash "$root/scripts/demo-run.sh" "$exe" "$title" "$demo/folder" || status=$?
if [ "$status" != 0 ]; then
    banner "WINE DID NOT RUN THE DEMO (status $status): the self-extractor was built," \
        "$exe, but not run. See the messages above."
fi
exit 0

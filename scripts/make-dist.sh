#!/bin/bash
# `make dist`: the Windows bundle, build/dist/kolvane95-VERSION-win32.zip
# (make-dist.sh [HOST_BUILD [WIN_BUILD [OUT_FOLDER]]]): kolvane-make.exe and the stub beside
# it, the example folder with its notice (texts in code page 932 with CR LF, as Windows
# programs of every age read them) and README.txt. Files are listed in a fixed order with
# the time of the last commit, so the same sources give the same zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host=${1:-$root/build/host}
win=${2:-$root/build/win}
out=${3:-$root/build/dist}
version=$("$host/kolvane-make" --version | sed -n 's/^kolvane-make //p')
name=kolvane95-$version-win32
stage=$out/$name
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}

rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"
cp "$win/kolvane-make.exe" "$win/kolvane95.exe" "$stage/"
cp -r "$root/examples/demo" "$stage/example"
cp "$root/examples/demo-notice.txt" "$stage/example-notice.txt"
while IFS= read -r -d '' text; do
    iconv -f UTF-8 -t CP932 "$text" | sed 's/$/\r/' >"$text.new"
    mv "$text.new" "$text"
done < <(find "$stage" -type f -name '*.txt' -print0)
sed "s/@VERSION@/$version/; s/\$/\r/" "$root/scripts/dist-readme.txt" >"$stage/README.txt"
find "$stage" -exec touch -d "@$stamp" {} +
(cd "$out" && find "$name" | LC_ALL=C sort | zip -qX9 "$name.zip" -@)
echo "$out/$name.zip"

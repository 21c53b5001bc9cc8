#!/bin/bash
# kolvane-make.exe under Wine:
#   make-exe.sh WIN_BUILD HOST_BUILD
# A tree with Japanese names, an empty folder, and hidden, read-only and system files whose
# attributes Wine itself sets is packed by the Windows builder (arguments, folder and output
# name in UTF-16) and by the Linux one: the two self-extractors are the same bytes.
# kolvane-unpack tests the result, and the result extracts the tree under Wine with its
# attributes. Both take the members of the result over alike, checking each with the
# program's own code, and refuse a damaged one alike. A name that code page 932 has only a
# look-alike for is refused by both builders with the same message; nothing is left behind.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
win=$1 host=$2
wine_scratch make-exe
tree=$work/tree
out=$work/out
title='テスト 95'
mkdir -p "$tree/資料/空のフォルダ" "$tree/隠し" "$out" "$work/result"
printf 'はじめに\r\n' >"$tree/はじめにお読みください.txt"
seq 1 5000 >"$tree/資料/表.txt"
printf 'hidden\r\n' >"$tree/隠し/見えない.txt"
printf 'read-only\r\n' >"$tree/資料/読み取り専用.txt"
printf 'system\r\n' >"$tree/system.dat"
find "$tree" -exec touch -d '2024-05-06 07:08:09 UTC' {} +
for change in "+h 隠し/見えない.txt" "+r 資料/読み取り専用.txt" "+s system.dat" "+h 隠し"; do
  wine attrib "${change%% *}" "$(wine_path "$tree/${change#* }")" >>"$WINE_RUN_DIR/logs/attrib.log" 2>&1
done

# The same command line for both builders; --stub is the Linux builder's default beside
# the Windows one.
options=(--title "$title" --folder "$(wine_path "$out")" --restore-attributes)
wine "$win/kolvane-make.exe" -q -o "$(wine_path "$work/出力.exe")" "${options[@]}" \
  "$(wine_path "$tree")" >"$work/win.out" 2>&1 || fail "kolvane-make.exe: $(cat "$work/win.out")"
"$host/kolvane-make" -q -o "$work/linux.exe" --stub "$win/kolvane95.exe" "${options[@]}" \
  "$tree" >"$work/linux.out" 2>&1 || fail "kolvane-make: $(cat "$work/linux.out")"
cmp "$work/出力.exe" "$work/linux.exe" || fail "the two builders wrote different bytes"
"$host/kolvane-unpack" -t "$work/出力.exe" >"$work/test.out" 2>&1 ||
  fail "kolvane-unpack -t: $(cat "$work/test.out")"
offset=$(od -An -tu4 -j512 -N4 "$work/出力.exe" | tr -d ' ')
tail -c +$((offset + 1)) "$work/出力.exe" >"$work/archive.lzh"
python3 "$here/../make/lzh_tool.py" headers "$work/archive.lzh" | cut -d' ' -f2,6 >"$work/attributes"
for expected in "24 system.dat" "12 隠し/" "22 隠し/見えない.txt" "21 資料/読み取り専用.txt" \
  "20 資料/表.txt" "10 資料/空のフォルダ/"; do
  grep -qxF "$expected" "$work/attributes" || fail "no member '$expected' in $(cat "$work/attributes")"
done

# The self-extractor under Wine: OK in its window extracts into the proposed folder.
wine_start "$work/出力.exe"
if wid=$(wait_window "^$title\$" 120); then
  focus_window "$wid"
  press Return
fi
code=0
wine_wait_exit 120 || code=$?
# The program ends with its dialog's result: 1 (OK) once everything is extracted.
[ "$code" = 1 ] ||
  fail "the self-extractor ended with $WINE_EXIT_CODE; it showed: $(msgbox_texts | tr '\0' '|')"
diff -r "$tree" "$out" >"$work/diff" 2>&1 || fail "extracted tree differs: $(head -5 "$work/diff")"
for file in "隠し/見えない.txt:0x2" "system.dat:0x4"; do
  python3 -c 'import os, sys; print(os.getxattr(sys.argv[1], "user.DOSATTRIB").decode())' \
    "$out/${file%%:*}" 2>/dev/null | grep -q "^${file#*:}" || fail "${file%%:*} lost its attribute"
done
[ -w "$out/資料/読み取り専用.txt" ] && [ "$(id -u)" != 0 ] && fail "the read-only file is writable"

# Members taken over, each checked by the program's own code on the real system: the same
# bytes again, and a damaged member refused alike.
wine "$win/kolvane-make.exe" -q -o "$(wine_path "$work/again-win.exe")" \
  --from-archive "$(wine_path "$work/linux.exe")" >"$work/win.out" 2>&1 ||
  fail "kolvane-make.exe --from-archive: $(cat "$work/win.out")"
"$host/kolvane-make" -q -o "$work/again-linux.exe" --stub "$win/kolvane95.exe" \
  --from-archive "$work/linux.exe" >"$work/linux.out" 2>&1 ||
  fail "kolvane-make --from-archive: $(cat "$work/linux.out")"
cmp "$work/again-win.exe" "$work/again-linux.exe" || fail "--from-archive: different bytes"
cp "$work/linux.exe" "$work/damaged.exe"
size=$(stat -c %s "$work/damaged.exe")
printf 'X' | dd of="$work/damaged.exe" bs=1 seek=$((size - 4)) conv=notrunc status=none
wine "$win/kolvane-make.exe" -q -o "$(wine_path "$work/result/d.exe")" \
  --from-archive "$(wine_path "$work/damaged.exe")" >"$work/win.err" 2>&1
"$host/kolvane-make" -q -o "$work/result/d.exe" --stub "$win/kolvane95.exe" \
  --from-archive "$work/damaged.exe" 2>"$work/linux.err"
for err in win linux; do
  grep -qF '"隠し/見えない.txt" (-lh0-): the data fails its CRC check' "$work/$err.err" ||
    fail "damaged member, $err: $(cat "$work/$err.err")"
done

# Refused alike: "ü" has only the best-fit "u" in code page 932.
mkdir -p "$work/refused"
printf 'x' >"$work/refused/Müller.txt"
code=0
wine "$win/kolvane-make.exe" -o "$(wine_path "$work/result/a.exe")" "$(wine_path "$work/refused")" \
  >"$work/win.err" 2>&1 || code=$?
[ "$code" = 1 ] || fail "kolvane-make.exe: exit code $code for a name that does not convert"
"$host/kolvane-make" -o "$work/result/b.exe" --stub "$win/kolvane95.exe" "$work/refused" \
  2>"$work/linux.err"
for err in win linux; do
  grep -qF '"Müller.txt": the name cannot be written in code page 932' <(tr -d '\r' <"$work/$err.err") ||
    fail "$err: $(cat "$work/$err.err")"
done
[ -z "$(ls -A "$work/result")" ] || fail "a refusal left $(ls -A "$work/result")"

echo "make-exe: $failures failures"
[ "$failures" = 0 ]

#!/usr/bin/env bash
# Proves the Wine harness (lib.sh) on probe.c, a tiny Win32 program built here:
# message box text and caption in Japanese, keys, typing a path, clicking, exit codes,
# screenshots and the Windows version the prefix reports.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

# shellcheck source=../support/checks.sh
source "$here/../support/checks.sh"
phase() { echo "--- $1 (at $((SECONDS - started)) s)"; }

started=$SECONDS
wine_setup
phase "prefix ready"

work="$WINE_RUN_DIR/selftest-$$" # kept when a check fails
mkdir -p "$work"
i686-w64-mingw32-gcc -finput-charset=UTF-8 -fexec-charset=CP932 -O1 -mwindows \
  -o "$work/probe.exe" "$here/probe.c"

# Wine stores non-ASCII registry names as \xhhhh escapes: "ＭＳ Ｐゴシック".
check "Japanese font replacement name stored intact" \
  grep -qF '"\xff2d\xff33 \xff30\x30b4\x30b7\x30c3\x30af"="IPAPGothic"' "$WINEPREFIX/user.reg"

# Message box: the trace log, the caption as window title, Enter, exit code 7.
wine_start "$work/probe.exe"
wid=$(wait_window '^試験$' 900) || wid=
check "message box window found by its Japanese caption" test -n "$wid"
if [ -n "$wid" ]; then
  shot=$(screenshot msgbox)
  check "screenshot written" test -s "$shot"
  check "screenshot shows more than a blank screen" \
    test "$(convert "$shot" -format %k info:)" -gt 2
  check "message box text read from the trace log" msgbox_seen $'日本語のテスト\nC:\\dest'
  check "a text never shown is not reported" not msgbox_seen 日本語のテスト
  focus_window "$wid"
  press Return
fi
code=0
wine_wait_exit 300 || code=$?
check "exit code 7 after Enter" equals "$code" 7
phase "message box done"

# Typing a path (backslashes included) and clicking the OK button.
typed="$work/typed.txt"
rm -f "$typed"
wine_start "$work/probe.exe" type "$(wine_path "$typed")"
wid=$(wait_window '^入力テスト$' 600) || wid=
check "input window found" test -n "$wid"
if [ -n "$wid" ]; then
  focus_window "$wid"
  type_text 'C:\dest\sub dir'
  screenshot typed >/dev/null
  click_at "$wid" 110 80 # middle of the 200x60 OK button at (10,50)
fi
wine_wait_exit 300 || true
check "exit code 0 after OK" equals "$WINE_EXIT_CODE" 0
check "typed path arrived unchanged" equals "$(cat "$typed" 2>/dev/null)" 'C:\dest\sub dir'
phase "typing done"

# GetVersion: bit 31 marks the non-NT platforms, the low word is minor<<8 | major.
version_of() { # version_of NAME -> GetVersion as 8 hex digits
  local out="$work/version-$1.txt" code=0
  rm -f "$out"
  if [ "$1" = default ]; then wine_reset_version; else wine_set_version "$1"; fi
  wine_start "$work/probe.exe" version "$(wine_path "$out")"
  wine_wait_exit 300 >&2 || code=$?
  [ "$code" = 0 ] && cat "$out"
}
expect_version() { # expect_version NAME NON_NT MAJOR MINOR
  local hex value
  hex=$(version_of "$1") || hex=
  echo "GetVersion under $1: 0x$hex"
  value=$((16#${hex:-0}))
  check "$1 reports version $3.$4, non-NT=$2" equals \
    "$(((value >> 31) & 1)) $((value & 0xff)).$(((value >> 8) & 0xff))" "$2 $3.$4"
}
expect_version win31 1 3 10 # Win32s
expect_version nt351 0 3 51
expect_version win95 1 4 0
expect_version nt40 0 4 0
hex=$(version_of default) || hex=
echo "GetVersion with the version reset: 0x$hex"
value=$((16#${hex:-0}))
check "reset returns to an NT version 5 or later" \
  test -n "$hex" -a $(((value >> 31) & 1)) = 0 -a $((value & 0xff)) -ge 5
phase "versions done"

echo "wine harness self-test: $passed passed, $failed failed"
[ "$failed" = 0 ] && rm -rf "$work"

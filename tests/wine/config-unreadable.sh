#!/usr/bin/env bash
# The real stub when its own file cannot be read back: run from a folder whose path is
# longer than the 260 bytes the program keeps of its own name, the path it holds names no
# file. It must show string 4 alone ("書庫が壊れています", no file name) under caption string 7
# and end with exit code 0, before any dialog.
#
#   config-unreadable.sh STUB
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

stub=${1:-}
if [ -z "$stub" ] || [ ! -s "$stub" ]; then
  echo "FAILED: the stub '${stub}' is missing: build the Windows program first (make win)" >&2
  exit 1
fi

# shellcheck source=../support/checks.sh
source "$here/../support/checks.sh"

wine_setup
deep="$WINE_RUN_DIR/config-unreadable"
for i in 1 2 3 4 5 6; do deep="$deep/folder-with-a-long-name-number-$i-of-six"; done
mkdir -p "$deep"
cp "$stub" "$deep/sfx.exe"
windows_path=$(wine_path "$deep/sfx.exe")
check "the program's own path is longer than 259 bytes" test "${#windows_path}" -gt 259

wine_start "$deep/sfx.exe"
wid=$(wait_window '^Kolvane 95  Ver 1\.1$' 600) || wid=
check "an error box appears under caption string 7" test -n "$wid"
if [ -n "$wid" ]; then
  screenshot config-unreadable >/dev/null
  check "the box shows string 4 alone" msgbox_seen '書庫が壊れています'
  focus_window "$wid"
  press Return
fi
code=0
wine_wait_exit 300 || code=$?
check "exit code 0" equals "$code" 0
rm -rf "$WINE_RUN_DIR/config-unreadable"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

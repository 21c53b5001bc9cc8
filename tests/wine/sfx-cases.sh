#!/usr/bin/env bash
# Whole runs of the real self-extractor under Wine, as a user has them: the built stub with a
# configuration block and an archive made by jlha, driven by keys, checked by the files on
# disk (bytes and times), the exit code, the message box texts (from Wine's trace), the dialog
# texts (read with wintext.exe) and a screenshot of every window.
#
#   sfx-cases.sh STUB [CASE...]
#
# CASE: main notice_no overwrite overwrite_cancel cancel relative damaged_header
# hidden_member truncated crc_error gate dpi (default: all, in this order). Screenshots go to
# $WINE_RUN_DIR/screenshots/sfx-CASE-STEP.png; the scratch folder $WINE_RUN_DIR/sfx-cases is
# kept when a check fails (without its large files).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
# shellcheck source=sfx-helpers.sh
source "$here/sfx-helpers.sh"
# shellcheck source=sfx-texts.sh
source "$here/sfx-texts.sh"
# shellcheck source=sfx-scenarios.sh
source "$here/sfx-scenarios.sh"
# shellcheck source=sfx-errors.sh
source "$here/sfx-errors.sh"
# shellcheck source=sfx-gate.sh
source "$here/sfx-gate.sh"
# shellcheck source=sfx-dpi.sh
source "$here/sfx-dpi.sh"

stub=${1:-}
if [ -z "$stub" ] || [ ! -s "$stub" ]; then
  echo "FAILED: the stub '${stub}' is missing: build the Windows program first (make win)" >&2
  exit 1
fi
stub=$(realpath "$stub")
shift
cases=("$@")
[ ${#cases[@]} = 0 ] && cases=(main notice_no overwrite overwrite_cancel cancel relative
  damaged_header hidden_member truncated crc_error gate dpi)

suite_started=$SECONDS
case_name=setup
wine_setup
work=$WINE_RUN_DIR/sfx-cases
tools=$work/tools
rm -rf "$work" "$WINE_RUN_DIR"/screenshots/sfx-*.png
mkdir -p "$tools"

suite_cleanup() {
  kill_strays
  wine_reset_version 2>/dev/null || true
  wine_reset_dpi 2>/dev/null || true
  wine_cleanup
}
trap suite_cleanup EXIT

# The test's own Windows programs: the command packed into archives and the text reader.
for program in marker wintext; do
  i686-w64-mingw32-gcc -O1 -Wall -Wextra -o "$tools/$program.exe" "$here/$program.c" ||
    { echo "FAILED: cannot compile $program.c" >&2; exit 1; }
done
wine_reset_version 2>/dev/null || true
wine_reset_dpi 2>/dev/null || true
phase "Wine ready, tools built"

for case_name in "${cases[@]}"; do
  declare -F "case_$case_name" >/dev/null || { bad "no such case"; continue; }
  phase start
  mkdir -p "$work/$case_name"
  cd "$work/$case_name" || exit 1
  "case_$case_name"
  end_program
  kill_strays
  phase finished
done
cd "$work" || exit 1

check_never_paths
kill_strays
case_name=suite
echo "Wine self-extractor cases took $((SECONDS - suite_started)) s"
echo "sfx-cases: $passed passed, $failed failed"
if [ "$failed" = 0 ]; then
  rm -rf "$work"
else
  find "$work" -name '*.lzh' -delete -o -name '*.exe' -size +1M -delete -o -name big.txt -delete
  echo "kept for inspection: $work, screenshots in $WINE_RUN_DIR/screenshots" >&2
  exit 1
fi

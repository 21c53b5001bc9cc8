# shellcheck shell=bash
# Checks that count and go on, for the Wine scripts that report "N passed, M failed" at the
# end, sourced after set -euo pipefail:
#   check DESCRIPTION COMMAND...   runs the command; counts and prints ok or FAILED
#   equals GOT WANTED              fails, saying both, when they differ
#   not COMMAND...                 succeeds when the command fails
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $what"
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
}
not() { ! "$@"; }
equals() { [ "$1" = "$2" ] || { echo "  got '$1', expected '$2'" >&2; return 1; }; }

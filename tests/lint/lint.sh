#!/usr/bin/env bash
# Checks over the whole tree, one per run: lint.sh shellcheck | clang-format
#   - every shell script (*.sh, or a file starting with a bash/sh #!) passes shellcheck with
#     the repository's .shellcheckrc;
#   - every C/C++ source is formatted as .clang-format says.
# The files are those git tracks, plus new ones not yet added; outside a git checkout, the
# files of the tree except build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

tree_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z --cached --others --exclude-standard
    else
        find . -path ./build -prune -o -path ./.git -prune -o -type f -printf '%P\0'
    fi
}

files=()
case ${1:-} in
shellcheck)
    while IFS= read -r -d '' file; do
        [ -f "$file" ] || continue
        if [[ $file == *.sh ]] || head -n 1 "$file" | grep -qE '^#!.*\b(ba)?sh\b'; then
            files+=("$file")
        fi
    done < <(tree_files)
    echo "shellcheck: ${#files[@]} scripts"
    shellcheck "${files[@]}"
    ;;
clang-format)
    while IFS= read -r -d '' file; do
        [ -f "$file" ] && files+=("$file")
    done < <(tree_files | grep -zE '\.(c|cc|cpp|h|hpp)$')
    echo "clang-format: ${#files[@]} sources"
    clang-format --dry-run --Werror "${files[@]}"
    ;;
*)
    echo "usage: lint.sh shellcheck|clang-format" >&2
    exit 2
    ;;
esac

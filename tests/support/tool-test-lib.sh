# shellcheck shell=bash
# shellcheck disable=SC2154  # group and rc are set by the sourcing script
# What the end-to-end tests of the command-line tools share, sourced as
#   source tests/support/tool-test-lib.sh NAME
# after the script has set $group: a scratch folder $work (/tmp/NAME.XXXXXX, removed at exit
# with whatever a test mounted on $work/small), the failures and checks counted, and the
# expectations on exit codes ($rc, with the tool's stderr in $work/err), texts and trees.
work=$(mktemp -d "/tmp/$1.XXXXXX")
cleanup() {
    mountpoint -q "$work/small" 2>/dev/null && umount "$work/small"
    chmod -R u+rwx "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
checks=0

fail() {
    echo "FAIL [$group]: $*" >&2
    failures=$((failures + 1))
}

expect_rc() { # CASE CODE
    [ "$rc" = "$2" ] || fail "$1: exit code $rc, expected $2; stderr: $(cat "$work/err")"
}

expect_text() { # CASE FILE TEXT
    grep -qF -- "$3" "$2" || fail "$1: '$3' not in $(basename "$2"): $(cat "$2")"
}

# The copy holds the same files byte for byte, with their modification times (those of
# folders are not compared: writing into them changes them).
expect_same_tree() { # CASE SOURCE COPY
    checks=$((checks + 1))
    diff -r "$2" "$3" >"$work/diff" 2>&1 || fail "$1: trees differ: $(head -5 "$work/diff")"
    local file
    while IFS= read -r -d '' file; do
        [ "$(stat -c %Y "$2/$file")" = "$(stat -c %Y "$3/$file" 2>/dev/null)" ] ||
            fail "$1: time of $file not restored"
    done < <(cd "$2" && find . -type f -print0)
}

#!/bin/bash
# kolvane-make --from-archive on archives written by other archivers:
#   peer-archives-test.sh MAKE UNPACK SAMPLES
# For every archive in SAMPLES, the files kolvane-unpack extracts from the self-extractor
# must equal those lhasa or 7-Zip extracts (where the two disagree, either will do): the
# same folders and files, names compared without case, symbolic links left out. An archive
# that neither reads must be refused; the table below names those refused for another
# reason.
set -uo pipefail
export TZ=UTC
group=peer-archives make=$1 unpack=$2 samples=$3
# shellcheck source=../support/tool-test-lib.sh
source "$(dirname "$0")/../support/tool-test-lib.sh" peer-archives-test

if [ ! -d "$samples" ]; then
    echo "SKIPPED: no archives of other archivers at $samples" >&2
    exit 0
fi

# Archives to be refused, and the words the refusal must hold: -lhx- (undocumented), and
# an "-lh7-" of an archiver's own that no reader expands.
refusal_expected() { # NAME
    case $1 in
    *lhx*) echo "packed with -lhx-" ;;
    dos-d_lh7.lzh) echo '"GPL-2" (-lh7-): the data cannot be expanded' ;;
    *) echo "" ;;
    esac
}

# Archives of methods that neither peer here expands (this lhasa lacks -lh2- and -lh3-):
# made, and whole by the self-extractor's own test run; their CRCs vouch for the data.
no_peer_knows() { # NAME
    case $1 in
    win-c_lh2.lzh | win-c_lh3.lzh) return 0 ;;
    esac
    return 1
}

# One line per folder ("d path") and file ("f path checksum"), lower case, sorted.
listing() { # FOLDER
    (cd "$1" && find . -mindepth 1 ! -type l -printf '%y %p\n' | while read -r kind path; do
        if [ "$kind" = f ]; then
            echo "f $path $(md5sum <"$path" | cut -d' ' -f1)"
        else
            echo "d $path"
        fi
    done) | tr '[:upper:]' '[:lower:]' | LC_ALL=C sort
}

# The listings of what lhasa and 7-Zip extract, each in FOLDER.lhasa and FOLDER.7zz when
# it reads the archive; fails when neither does.
peer_listings() { # ARCHIVE FOLDER
    local read=1
    mkdir -p "$2/lhasa" "$2/7zz"
    (cd "$2/lhasa" && lhasa xqf "$1") >/dev/null 2>&1 && listing "$2/lhasa" >"$2.lhasa" && read=0
    (cd "$2/7zz" && 7zz x -y "$1") >/dev/null 2>&1 && listing "$2/7zz" >"$2.7zz" && read=0
    return $read
}

head -c 2048 /dev/zero >"$work/stub.exe"
printf 'MZ' | dd of="$work/stub.exe" conv=notrunc status=none
printf 'Kolvane95 ' | dd of="$work/stub.exe" bs=1 seek=36 conv=notrunc status=none

count=0
for archive in "$samples"/*.lzh "$samples"/*.lzs "$samples"/*.pma; do
    [ -f "$archive" ] || continue
    name=$(basename "$archive")
    count=$((count + 1))
    checks=$((checks + 1))
    rm -rf "$work/peer" "$work/peer".* "$work/ours" "$work/x.exe"
    peer_listings "$archive" "$work/peer"
    peer_reads=$?
    "$make" -q -o "$work/x.exe" --stub "$work/stub.exe" --from-archive "$archive" \
        >"$work/out" 2>"$work/err" </dev/null
    rc=$?
    expected=$(refusal_expected "$name")
    if no_peer_knows "$name"; then
        expect_rc "$name" 0
        "$unpack" -q -t "$work/x.exe" >"$work/out" 2>"$work/err" ||
            fail "$name: kolvane-unpack -t failed: $(head -3 "$work/err")"
        continue
    fi
    if [ "$peer_reads" != 0 ] || [ -n "$expected" ]; then
        expect_rc "$name (refused)" 1
        [ -n "$expected" ] && expect_text "$name (refused)" "$work/err" "$expected"
        [ -e "$work/x.exe" ] && fail "$name: refused, yet the output was written"
        continue
    fi
    expect_rc "$name" 0
    [ "$rc" = 0 ] || continue
    "$unpack" -q -y -d "$work/ours" "$work/x.exe" >"$work/out" 2>"$work/err" ||
        fail "$name: kolvane-unpack failed: $(head -3 "$work/err")"
    listing "$work/ours" >"$work/ours.list"
    cmp -s "$work/ours.list" "$work/peer.lhasa" || cmp -s "$work/ours.list" "$work/peer.7zz" ||
        fail "$name: differs from the peers' files: $(diff "$work/peer".* "$work/ours.list" | head -6)"
done
[ "$count" -gt 0 ] || fail "no archives in $samples"
echo "$group: $count archives, $checks checks, $failures failures"
[ "$failures" = 0 ]

#!/bin/bash
# The installation, one group per run:
#   install-test.sh installed|deb|dist HOST_BUILD
# installed: installs into a scratch DESTDIR, makes a self-extractor of the example folder
# with the installed kolvane-make and its default stub, tests and extracts it with the
# installed kolvane-unpack, then moves the installation and does it again; the manual pages
# describe every option that --help shows. deb: the package holds the same files and
# lintian finds nothing to warn about. dist: the Windows zip holds the builder, the stub, the
# example and its text, and both programs carry the version of the zip's name in their
# version resources.
set -uo pipefail
export TZ=UTC
group=$1 build=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../support/tool-test-lib.sh
source "$(dirname "$0")/../support/tool-test-lib.sh" install-test
stub=$source_dir/build/win/kolvane95.exe
installed_files=(bin/kolvane-make bin/kolvane-unpack share/kolvane95/kolvane95.exe
    share/man/man1/kolvane-make.1 share/man/man1/kolvane-unpack.1)

use_tools() { # PREFIX CASE
    rm -rf "$work/out" "$work/demo.exe"
    "$1/bin/kolvane-make" -q -o "$work/demo.exe" --title Demo "$source_dir/examples/demo" \
        2>"$work/err"
    rc=$?
    expect_rc "$2: kolvane-make" 0
    cmp -s -n 512 "$stub" "$work/demo.exe" || fail "$2: the installed stub was not used"
    "$1/bin/kolvane-unpack" -q -y -d "$work/out" "$work/demo.exe" 2>"$work/err"
    rc=$?
    expect_rc "$2: kolvane-unpack" 0
    expect_same_tree "$2" "$source_dir/examples/demo" "$work/out"
}

installed() {
    local prefix=$work/dest/usr/local file tool option
    DESTDIR=$work/dest cmake --install "$build" --prefix /usr/local >/dev/null ||
        fail "cmake --install failed"
    for file in "${installed_files[@]}"; do
        [ -f "$prefix/$file" ] || fail "$file not installed"
    done
    cmp -s "$stub" "$prefix/share/kolvane95/kolvane95.exe" || fail "the stub installed differs"
    use_tools "$prefix" installed
    mv "$work/dest/usr/local" "$work/moved"
    use_tools "$work/moved" moved
    for tool in kolvane-make kolvane-unpack; do
        LC_ALL=C MANWIDTH=200 man -l "$work/moved/share/man/man1/$tool.1" 2>&1 | col -b \
            >"$work/$tool.txt"
        while read -r option; do
            checks=$((checks + 1))
            grep -qe "^ *$option\\b" "$work/$tool.txt" || fail "$tool(1) does not describe $option"
        done < <("$work/moved/bin/$tool" --help | grep -oE '^  +-[-a-z]+' | tr -d ' ')
    done
}

deb() {
    local deb file
    deb=$(bash "$source_dir/scripts/make-deb.sh" "$build" "$work/deb") || fail "make-deb.sh failed"
    dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb cannot read $deb"
    for file in "${installed_files[@]}"; do
        file=${file/%.1/.1.gz}
        expect_text "contents of the package" "$work/contents" "./usr/$file"
    done
    expect_text "contents of the package" "$work/contents" "root/root"
    lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>&1
    checks=$((checks + 1))
    ! grep -E '^[EW]:' "$work/lintian" || fail "lintian: $(grep -E '^[EW]:' "$work/lintian")"
}

# major.minor of the fixed part of a program's version resource.
resource_version() { # EXE
    python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.index(bytes.fromhex("bd04effe"))
ms, = struct.unpack_from("<I", data, at + 8)
print("%d.%d" % (ms >> 16, ms & 0xFFFF))' "$1"
}

dist() {
    local zip name file version
    zip=$(bash "$source_dir/scripts/make-dist.sh" "$build" "$source_dir/build/win" "$work/dist") ||
        fail "make-dist.sh failed"
    name=$(basename "$zip" .zip)
    [[ "$name" =~ ^kolvane95-([0-9]+\.[0-9]+)-win32$ ]] || fail "zip named $name"
    version=${BASH_REMATCH[1]:-}
    (cd "$work" && unzip -q "$zip") || fail "$zip does not unzip"
    for file in kolvane-make.exe kolvane95.exe README.txt example/資料/表.txt; do
        [ -f "$work/$name/$file" ] || fail "$file missing from the zip"
    done
    for file in kolvane-make.exe kolvane95.exe; do
        checks=$((checks + 1))
        [ "$(resource_version "$work/$name/$file")" = "$version" ] ||
            fail "$file: version resource $(resource_version "$work/$name/$file")"
    done
}

"$group"
echo "$group: $checks checks, $failures failures"
[ "$failures" = 0 ]

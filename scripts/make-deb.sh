#!/bin/bash
# `make deb`: a Debian package of what `make install` installs, under the prefix /usr:
# build/deb/kolvane95_VERSION_ARCH.deb (make-deb.sh [HOST_BUILD [OUT_FOLDER]]). Binaries stripped, manual pages and changelog
# compressed as Debian policy asks, dependencies found by dpkg-shlibdeps, files owned by root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host=${1:-$root/build/host}
out=${2:-$root/build/deb}
stage=$out/stage
version=$("$host/kolvane-make" --version | sed -n 's/^kolvane-make //p')
arch=$(dpkg --print-architecture)
doc=$stage/usr/share/doc/kolvane95

rm -rf "$out"
mkdir -p "$stage/DEBIAN" "$doc" "$out/shlibs/debian"
DESTDIR=$stage cmake --install "$host" --prefix /usr --strip >/dev/null
gzip -9n "$stage"/usr/share/man/man1/*.1
strip --remove-section=.comment "$stage"/usr/bin/*

cat >"$doc/copyright" <<TEXT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Kolvane 95

Files: *
Copyright: 2026 The Kolvane 95 developers
License: permissive
 Copying and distribution of this software, with or without modification, are
 permitted in any medium without royalty, provided the copyright notice and this
 notice are preserved. This software is offered as-is, without any warranty.
TEXT
{
    echo "kolvane95 ($version) unstable; urgency=medium"
    echo
    echo "  * Local build."
    echo
    echo " -- Kolvane 95 developers <kolvane95@example.org>  $(date -R -d @"${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}")"
} | gzip -9n >"$doc/changelog.gz"

# dpkg-shlibdeps wants a source package's control file in its working folder.
printf 'Source: kolvane95\n\nPackage: kolvane95\nArchitecture: any\n' >"$out/shlibs/debian/control"
depends=$(cd "$out/shlibs" && dpkg-shlibdeps -O "$stage"/usr/bin/* | sed -n 's/^shlibs:Depends=//p')

cat >"$stage/DEBIAN/control" <<TEXT
Package: kolvane95
Version: $version
Architecture: $arch
Maintainer: Kolvane 95 developers <kolvane95@example.org>
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Section: utils
Priority: optional
Description: self-extracting archives for Windows
 Kolvane 95 makes self-extracting LZH archives for Windows 95 and later
 (32-bit): a small Win32 program that shows a notice, asks for the destination
 folder and extracts its members with their times and attributes.
 .
 kolvane-make builds them from a folder or from an existing archive;
 kolvane-unpack lists, tests and extracts them on this system.
TEXT
(cd "$stage" && find usr -type f -exec md5sum {} + | sort -k2 >DEBIAN/md5sums)
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage"/usr/bin/*
deb=$out/kolvane95_${version}_$arch.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
rm -rf "$out/shlibs"
echo "$deb"

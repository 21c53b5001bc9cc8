#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine. Idempotent and quiet
# when everything is already there. Any step that fails says which, and why, in one line.
#
# KOLVANE_DEPS_ROOT (tests only) redirects every file the script edits under /etc into a
# scratch folder; KOLVANE_I386_PROBE names the program that tells whether the kernel runs
# i386 code (default: a 93-byte i386 program that exits 0).
set -Eeuo pipefail

root=${KOLVANE_DEPS_ROOT:-}
step=start
trap 'echo "install-deps: step \"$step\" failed (exit $?): $BASH_COMMAND" >&2' ERR

quiet() {
  local log rc=0
  log=$(mktemp)
  "$@" >"$log" 2>&1 || rc=$?
  if [ "$rc" != 0 ]; then
    tail -n 5 "$log" | sed 's/^/  /' >&2
    rm -f "$log"
    return "$rc"
  fi
  rm -f "$log"
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

apt_updated=0
apt_update() {
  [ "$apt_updated" = 1 ] && return 0
  quiet apt-get update
  apt_updated=1
}

step="i386 probe"
# The kernel either runs i386 programs (IA-32 emulation) or Wine's 32-bit loader needs qemu.
runs_i386() {
  local probe=${KOLVANE_I386_PROBE:-}
  if [ -z "$probe" ]; then
    probe=$(mktemp)
    base64 -d >"$probe" <<'EOF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A
EOF
    chmod +x "$probe"
  fi
  local rc=0
  "$probe" >/dev/null 2>&1 || rc=$?
  [ -z "${KOLVANE_I386_PROBE:-}" ] && rm -f "$probe"
  return "$rc"
}
need_qemu=0
runs_i386 || need_qemu=1

packages=(
  cmake make g++ clang libclang-rt-dev libgtest-dev clang-format shellcheck
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32 xvfb xdotool x11-utils imagemagick fonts-ipafont-gothic
  jlha-utils lhasa 7zip locales python3 util-linux bc time zip dpkg-dev lintian man-db
)

step="package query"
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

export DEBIAN_FRONTEND=noninteractive
if [ "$need_i386" = 1 ] || [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$need_i386" = 1 ]; then
    step="dpkg --add-architecture i386"
    dpkg --add-architecture i386
  fi
  step="apt-get update"
  apt_update
  step="apt-get install"
  quiet apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Kernels without IA-32 emulation run Wine's 32-bit loader through qemu-i386 (tests/wine/lib.sh
# registers it). It must be version 8 or later: with bookworm's 7.2 every Wine process spends
# minutes reserving its address space. Bookworm has it in backports.
backports_source() {
  local list=$root/etc/apt/sources.list.d
  if [ -s "$list/debian.sources" ]; then
    # The machine's own deb822 source, with the suite changed.
    awk 'BEGIN { RS = ""; ORS = "\n" } NR == 1' "$list/debian.sources" |
      sed 's/^Suites:.*/Suites: bookworm-backports/' >"$list/bookworm-backports.sources"
  else
    # A classic sources.list: its first Debian mirror, with the suite changed.
    local mirror
    mirror=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' "$root/etc/apt/sources.list")
    [ -n "$mirror" ] || {
      echo "install-deps: no bookworm source in $root/etc/apt/sources.list to derive backports from" >&2
      return 1
    }
    echo "deb $mirror bookworm-backports main" >"$list/bookworm-backports.list"
  fi
}

if [ "$need_qemu" = 1 ]; then
  qemu_major=0
  if installed qemu-user; then
    qemu_major=$(dpkg-query -W -f='${Version}' qemu-user | sed 's/^[0-9]*://; s/[.].*//')
  fi
  if [ "$qemu_major" -lt 8 ]; then
    echo "installing: qemu-user (this kernel does not run i386 programs)"
    release=$(. "$root/etc/os-release" && echo "$VERSION_CODENAME")
    target=()
    if [ "$release" = bookworm ]; then
      step="bookworm-backports source"
      list=$root/etc/apt/sources.list.d
      if [ ! -s "$list/bookworm-backports.sources" ] && [ ! -s "$list/bookworm-backports.list" ]; then
        rm -f "$list/bookworm-backports.sources"
        backports_source
      fi
      apt_updated=0
      step="apt-get update (backports)"
      apt_update
      target=(-t bookworm-backports)
    fi
    step="apt-get install qemu-user"
    quiet apt-get install -y --no-install-recommends "${target[@]}" qemu-user
  fi
fi

# The Wine tests run with a Japanese locale (ANSI code page 932).
step="ja_JP.UTF-8 locale"
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  gen=$root/etc/locale.gen
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' "$gen"
  grep -q '^ja_JP.UTF-8 UTF-8' "$gen" || echo 'ja_JP.UTF-8 UTF-8' >>"$gen"
  quiet locale-gen
fi

#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine. Idempotent and quiet
# when everything is already there.
set -euo pipefail

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

packages=(
  cmake make g++ clang libclang-rt-dev libgtest-dev clang-format
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32 xvfb xdotool x11-utils imagemagick fonts-ipafont-gothic
  jlha-utils lhasa 7zip locales python3 util-linux bc time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "$need_i386" = 1 ] || [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  [ "$need_i386" = 1 ] && dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Kernels without IA-32 emulation (this machine's) run Wine's 32-bit loader through qemu-i386
# (tests/wine/lib.sh registers it). It must be version 8 or later: with bookworm's 7.2 every
# Wine process spends minutes reserving its address space. Bookworm has it in backports.
qemu_major=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | sed 's/^[0-9]*://; s/[.].*//')
if [ "${qemu_major:-0}" -lt 8 ]; then
  export DEBIAN_FRONTEND=noninteractive
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  target=()
  if [ "$release" = bookworm ]; then
    backports=/etc/apt/sources.list.d/bookworm-backports.sources
    if [ ! -f "$backports" ]; then
      # The machine's own Debian source, with the suite changed.
      awk 'BEGIN { RS = ""; ORS = "\n" } NR == 1' /etc/apt/sources.list.d/debian.sources |
        sed 's/^Suites:.*/Suites: bookworm-backports/' >"$backports"
    fi
    apt-get update -qq
    target=(-t bookworm-backports)
  fi
  apt-get install -y -qq --no-install-recommends "${target[@]}" qemu-user >/dev/null
fi

# The Wine tests run with a Japanese locale (ANSI code page 932).
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

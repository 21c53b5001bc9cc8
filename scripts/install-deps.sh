#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine. Idempotent and quiet
# when everything is already there. Any step that fails says which, and why, in one line
# on stderr, and the script exits non-zero.
#
# KOLVANE_DEPS_ROOT (tests only) redirects every file the script reads or edits under /etc
# and /proc into a scratch folder; KOLVANE_I386_PROBE names the program that tells whether the kernel
# runs i386 code (default: a 93-byte i386 program that exits 0).
set -Eeuo pipefail

root=${KOLVANE_DEPS_ROOT:-}
step=start
why=
# Subshells inherit the trap (-E); only the script's own shell reports, once.
trap 'rc=$?; [ "$BASHPID" != "$$" ] || echo "install-deps: $step failed (exit $rc): ${why:-$BASH_COMMAND}" >&2' ERR

# Runs a command with its output kept aside; on failure $why holds its last error line
# and where the whole output was kept.
quiet() {
  local log rc=0
  log=$(mktemp /tmp/install-deps.XXXXXX)
  "$@" >"$log" 2>&1 || rc=$?
  if [ "$rc" != 0 ]; then
    why=$(grep -E '^(E|Err|error|ERROR):' "$log" | tail -n 1 || true)
    [ -n "$why" ] || why=$(grep -v '^[[:space:]]*$' "$log" | tail -n 1 || true)
    why="${why:-$1 said nothing} (full output in $log)"
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

# Whether the kernel runs i386 programs (IA-32 emulation); where it does not, Wine's 32-bit
# loader needs qemu.
runs_i386() {
  local probe=${KOLVANE_I386_PROBE:-} rc=0
  if [ -z "$probe" ]; then
    probe=$(mktemp /tmp/install-deps-probe.XXXXXX)
    base64 -d >"$probe" <<'EOF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A
EOF
    chmod +x "$probe"
  fi
  "$probe" >/dev/null 2>&1 || rc=$?
  [ -n "${KOLVANE_I386_PROBE:-}" ] || rm -f "$probe"
  return "$rc"
}

step="i386 probe"
need_qemu=0
runs_i386 || need_qemu=1
# A probe run by an i386 emulator registered with binfmt_misc says nothing of the kernel,
# and that qemu may be older than Wine needs.
if grep -qs '^interpreter .*i386' "$root"/proc/sys/fs/binfmt_misc/*; then
  need_qemu=1
fi

packages=(
  cmake make g++ clang libclang-rt-dev libgtest-dev clang-format shellcheck
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32 xvfb xdotool x11-utils imagemagick fonts-ipafont-gothic
  jlha-utils default-jdk-headless lhasa 7zip locales python3 util-linux bc time zip dpkg-dev
  lintian man-db bsdextrautils unzip libdeflate-tools
)

step="package query"
# One query for all: dpkg-query reads its database once.
states=$'\n'$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)$'\n'
missing=()
for p in "${packages[@]}"; do
  [[ $states == *$'\n'"$p install ok installed"$'\n'* ]] || missing+=("$p")
done

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

export DEBIAN_FRONTEND=noninteractive
if [ "$need_i386" = 1 ] || [ "${#missing[@]}" -gt 0 ]; then
  if [ "$need_i386" = 1 ]; then
    echo "adding the i386 architecture"
    step="dpkg --add-architecture i386"
    quiet dpkg --add-architecture i386
  fi
  step="apt-get update"
  apt_update
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "installing: ${missing[*]}"
    step="apt-get install"
    quiet apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

# Kernels without IA-32 emulation run Wine's 32-bit loader through qemu-i386 (tests/wine/lib.sh
# registers it). It must be version 8 or later: with bookworm's 7.2 every Wine process spends
# minutes reserving its address space. Bookworm has it in backports.
sources=$root/etc/apt/sources.list
parts=$root/etc/apt/sources.list.d
backports_source() {
  local mirror
  # shellcheck disable=SC2086  # the globs match no file or sources lists without spaces
  if cat "$sources" $parts/*.list $parts/*.sources 2>/dev/null | grep -q 'bookworm-backports'; then
    return 0
  fi
  if [ -s "$parts/debian.sources" ]; then
    # The machine's own deb822 stanza for bookworm, with the suite changed.
    awk 'BEGIN { RS = ""; FS = "\n" }
      { for (i = 1; i <= NF; i++) if ($i ~ /^Suites:/ && (" " $i " ") ~ / bookworm /) { print; exit } }' \
      "$parts/debian.sources" | sed 's/^Suites:.*/Suites: bookworm-backports/' >"$parts/bookworm-backports.sources"
    [ -s "$parts/bookworm-backports.sources" ] || {
      why="no bookworm stanza in $parts/debian.sources to derive backports from"
      rm -f "$parts/bookworm-backports.sources"
      return 1
    }
  else
    # A classic sources.list: its first Debian mirror for bookworm (options kept), with the
    # suite changed.
    mirror=$(sed -n 's/^deb[[:space:]]\+\(\(\[[^]]*\][[:space:]]\+\)\?[^[:space:]]\+\)[[:space:]]\+bookworm[[:space:]].*/\1/p' \
      "$sources" 2>/dev/null | head -n 1)
    [ -n "$mirror" ] || {
      why="no bookworm source in $sources to derive backports from"
      return 1
    }
    echo "deb $mirror bookworm-backports main" >"$parts/bookworm-backports.list"
  fi
}

if [ "$need_qemu" = 1 ]; then
  qemu_major=0
  if installed qemu-user; then
    qemu_major=$(dpkg-query -W -f='${Version}' qemu-user | sed 's/^[0-9]*://; s/[^0-9].*//')
  fi
  if [ "${qemu_major:-0}" -lt 8 ]; then
    echo "installing: qemu-user 8 or later (i386 programs run through qemu here)"
    step="reading $root/etc/os-release"
    # shellcheck source=/dev/null
    release=$(. "$root/etc/os-release" && echo "${VERSION_CODENAME:-}")
    target=()
    if [ "$release" = bookworm ]; then
      step="bookworm-backports source"
      mkdir -p "$parts"
      backports_source
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
  echo "generating the ja_JP.UTF-8 locale"
  gen=$root/etc/locale.gen
  touch "$gen"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' "$gen"
  grep -q '^ja_JP.UTF-8 UTF-8' "$gen" || echo 'ja_JP.UTF-8 UTF-8' >>"$gen"
  quiet locale-gen
fi

#!/usr/bin/env bash
# shellcheck disable=SC2016  # the stand-ins' bodies expand their variables when they run
# scripts/install-deps.sh on simulated machines: stand-ins for dpkg, dpkg-query, apt-get,
# locale and locale-gen come first on PATH, the files it edits live under a scratch root
# (KOLVANE_DEPS_ROOT), and the i386 probe is /bin/true or /bin/false. The stand-in apt-get
# refuses a suite that no earlier `apt-get update` saw in the sources, as the real one does.
set -uo pipefail
group=deps
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh
source "$(dirname "$0")/../support/tool-test-lib.sh" deps-test
sim=$work/machine
bin=$work/bin
mkdir -p "$bin"

stand_in() { # NAME BODY
    printf '#!/usr/bin/env bash\nset -u\n%s\n' "$2" >"$bin/$1"
    chmod +x "$bin/$1"
}
stand_in dpkg-query '# -W -f=FORMAT PACKAGE...; $SIM/installed holds "PACKAGE VERSION" lines
format=${2#-f=}
shift 2
rc=0
for p in "$@"; do
    line=$(grep "^$p " "$SIM/installed") || { echo "dpkg-query: no packages found matching $p" >&2; rc=1; continue; }
    text=${format//"\${Package}"/$p}
    text=${text//"\${Status}"/install ok installed}
    text=${text//"\${Version}"/${line#* }}
    printf "%b" "$text"
done
exit $rc'
stand_in dpkg 'case $1 in
--print-foreign-architectures) cat "$SIM/arches" ;;
--add-architecture) echo "dpkg $*" >>"$SIM/calls" && echo "$2" >>"$SIM/arches" ;;
*) exit 2 ;;
esac'
stand_in apt-get 'echo "apt-get $*" >>"$SIM/calls"
case $1 in
update)
    cat "$KOLVANE_DEPS_ROOT"/etc/apt/sources.list "$KOLVANE_DEPS_ROOT"/etc/apt/sources.list.d/* \
        2>/dev/null | grep -o "bookworm[-a-z]*" >>"$SIM/suites" || true ;;
install)
    [ -e "$SIM/broken" ] && { echo "Reading package lists..."; echo "E: Unable to locate package wine32"; exit 100; }
    shift
    version=7.2
    while [ $# -gt 0 ]; do
        case $1 in
        -t)
            grep -qx "$2" "$SIM/suites" || { echo "E: The value $2 is invalid for APT::Default-Release"; exit 100; }
            version=8.2.1
            shift ;;
        -*) ;;
        *) sed -i "/^$1 /d" "$SIM/installed" && echo "$1 1:$version+ds-1" >>"$SIM/installed" ;;
        esac
        shift
    done ;;
esac'
stand_in locale '[ "$1" = -a ] && cat "$SIM/locales"'
stand_in locale-gen 'grep -q "^ja_JP.UTF-8 UTF-8" "$KOLVANE_DEPS_ROOT/etc/locale.gen" && echo ja_JP.utf8 >>"$SIM/locales"'

# machine STYLE: a fresh machine with a deb822 or classic source list, cmake and wine
# already installed, no foreign architecture and no Japanese locale.
machine() {
    rm -rf "$sim"
    mkdir -p "$sim/root/etc/apt/sources.list.d"
    printf 'cmake 3.25.1-1\nwine 8.0~repack-4\n' >"$sim/installed"
    : >"$sim/arches"
    : >"$sim/suites"
    printf 'C\nC.utf8\nPOSIX\n' >"$sim/locales"
    printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_CODENAME=bookworm\n' \
        >"$sim/root/etc/os-release"
    printf '# en_US.UTF-8 UTF-8\n# ja_JP.EUC-JP EUC-JP\n# ja_JP.UTF-8 UTF-8\n' >"$sim/root/etc/locale.gen"
    if [ "$1" = deb822 ]; then
        printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian-security' \
            'Suites: bookworm-security' 'Components: main' '' 'Types: deb' \
            'URIs: http://mirror.example/debian' 'Suites: bookworm bookworm-updates' \
            'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
            >"$sim/root/etc/apt/sources.list.d/debian.sources"
    else
        printf '%s\n' 'deb http://deb.debian.org/debian-security bookworm-security main' \
            'deb [arch=amd64] http://mirror.example/debian bookworm main contrib' \
            >"$sim/root/etc/apt/sources.list"
    fi
}

install_deps() { # I386_PROBE: runs the script on the machine; sets rc
    : >"$sim/calls"
    rc=0
    PATH="$bin:$PATH" SIM=$sim KOLVANE_DEPS_ROOT=$sim/root KOLVANE_I386_PROBE=$1 \
        bash "$script" >"$work/out" 2>"$work/err" || rc=$?
    checks=$((checks + 1))
}

asked() { # CASE PACKAGE yes|no [FROM]: whether apt-get install asked for PACKAGE (from suite FROM)
    local line
    line=$(grep '^apt-get install' "$sim/calls" | grep -w -- "$2" || true)
    if [ "$3" = no ]; then
        [ -z "$line" ] || fail "$1: asked for $2: $line"
    elif [ -z "$line" ]; then
        fail "$1: did not ask for $2: $(cat "$sim/calls")"
    elif [ -n "${4:-}" ] && [[ $line != *"-t $4 "* ]]; then
        fail "$1: $2 not asked from $4: $line"
    fi
}

# A rerun on the machine as the first run left it asks for nothing and says nothing.
expect_quiet_rerun() { # CASE PROBE
    install_deps "$2"
    expect_rc "$1 rerun" 0
    [ ! -s "$sim/calls" ] || fail "$1 rerun: asked $(cat "$sim/calls")"
    if [ -s "$work/out" ] || [ -s "$work/err" ]; then
        fail "$1 rerun said: $(cat "$work/out" "$work/err")"
    fi
}

machine deb822
install_deps /bin/true
expect_rc "native i386" 0
grep -qx 'dpkg --add-architecture i386' "$sim/calls" || fail "native i386: no i386 architecture"
for p in wine32 g++-mingw-w64-i686 clang shellcheck locales; do asked "native i386" "$p" yes; done
for p in cmake wine qemu-user; do asked "native i386" "$p" no; done
grep -qx 'ja_JP.UTF-8 UTF-8' "$sim/root/etc/locale.gen" || fail "native i386: locale not enabled"
written=("$sim"/root/etc/apt/sources.list.d/*)
[ "${#written[@]}" = 1 ] || fail "native i386: wrote a source: ${written[*]}"
expect_quiet_rerun "native i386" /bin/true

machine deb822
install_deps /bin/false
expect_rc "no i386" 0
asked "no i386" wine32 yes
asked "no i386" qemu-user yes bookworm-backports
expect_text "no i386" "$sim/root/etc/apt/sources.list.d/bookworm-backports.sources" \
    'URIs: http://mirror.example/debian'
grep -q '^Suites: bookworm-backports$' "$sim/root/etc/apt/sources.list.d/bookworm-backports.sources" ||
    fail "no i386: backports source: $(cat "$sim/root/etc/apt/sources.list.d/bookworm-backports.sources")"
expect_quiet_rerun "no i386" /bin/false

# i386 programs run, but through an old qemu that binfmt_misc names: a newer one is asked for.
machine deb822
mkdir -p "$sim/root/proc/sys/fs/binfmt_misc"
printf 'enabled\ninterpreter /usr/bin/qemu-i386\n' >"$sim/root/proc/sys/fs/binfmt_misc/qemu-i386"
echo "qemu-user 1:7.2+dfsg-7" >>"$sim/installed"
install_deps /bin/true
expect_rc "old qemu" 0
asked "old qemu" qemu-user yes bookworm-backports
expect_quiet_rerun "old qemu" /bin/true

machine classic
install_deps /bin/false
expect_rc "classic sources.list" 0
asked "classic sources.list" qemu-user yes bookworm-backports
expect_text "classic sources.list" "$sim/root/etc/apt/sources.list.d/bookworm-backports.list" \
    'deb [arch=amd64] http://mirror.example/debian bookworm-backports main'
expect_quiet_rerun "classic sources.list" /bin/false

machine deb822
touch "$sim/broken"
install_deps /bin/true
[ "$rc" != 0 ] || fail "failing apt-get: exit code 0"
[ "$(wc -l <"$work/err")" = 1 ] || fail "failing apt-get: not one line: $(cat "$work/err")"
expect_text "failing apt-get" "$work/err" 'apt-get install failed'
expect_text "failing apt-get" "$work/err" 'Unable to locate package wine32'
log=$(sed -n 's/.*(full output in \(.*\))$/\1/p' "$work/err")
[ -s "${log:-/nonexistent}" ] || fail "failing apt-get: no full output kept: $(cat "$work/err")"
rm -f "$log"

echo "$group: $checks runs, $failures failures"
[ "$failures" = 0 ]

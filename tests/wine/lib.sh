# shellcheck shell=bash
# shellcheck disable=SC2034  # the WINE_* results are read by the test scripts
# Harness for driving the real Windows program under Wine inside Xvfb.
# Source it from a test script (bash, `set -euo pipefail` friendly).
#
#   wine_setup                  Prepares the run: 32-bit prefix under $WINE_RUN_DIR (default
#                               build/host/wine-run; created once and reused while complete),
#                               LC_ALL=ja_JP.UTF-8 (ANSI code page 932), Japanese font
#                               replacements, unmanaged windows (see _wine_settings_reg), a
#                               private Xvfb (1024x768x24), and an EXIT trap that
#                               calls wine_cleanup. One run at a time owns the prefix (flock): a
#                               concurrent caller waits, since Wine keeps one desktop per prefix.
#                               If Wine cannot run at all it prints "WINE UNAVAILABLE: ..." and
#                               exits 78 (a failure), or 77 (which ctest reports as skipped) when
#                               KOLVANE_ALLOW_NO_WINE=1. Logs go to $WINE_RUN_DIR/logs.
#                               Run as root, the test script starts over as user 65534.
#   wine_set_version VERSION    Windows version the prefix reports (win31, nt351, win95, nt40,
#                               winxp, win10, ...).
#   wine_reset_version          Back to Wine's default version (fails when none was set).
#   wine_set_dpi DPI            Screen resolution (LogPixels) of the programs started from now
#                               on, 96 by default; wine_reset_dpi goes back to the default.
#   wine_start EXE [ARGS...]    Starts EXE in the background with message box and DLL load
#                               tracing. Sets WINE_PID and WINE_LOG (its own trace log); wait in
#                               the same shell.
#   wine_wait_exit TIMEOUT      Waits up to TIMEOUT s; sets WINE_EXIT_CODE and returns the
#                               program's exit code (ExitProcess code mod 256). On timeout the
#                               program is killed, WINE_EXIT_CODE=timeout and the return is 124.
#                               Under `set -e` use: code=0; wine_wait_exit 60 || code=$?
#   wait_window REGEX TIMEOUT   Prints the id of a visible window whose title matches REGEX
#                               (UTF-8); fails on timeout or when the program has ended.
#   focus_window WID            Gives WID the keyboard focus (Xvfb has no window manager, so
#                               keys reach a window only after this).
#   press KEY...                xdotool key names, e.g. Return, Escape, alt+y, Tab.
#   type_text TEXT              Types TEXT into the focused window (backslashes included).
#   click_at WID X Y            Left click at X,Y relative to window WID. Wine's buttons are not
#                               X windows, so they are clicked by position or pressed by key.
#   screenshot NAME             Saves the screen as $WINE_RUN_DIR/screenshots/NAME.png and prints
#                               the path.
#   msgbox_texts [LOG]          Every message box text in LOG (default $WINE_LOG), decoded to
#                               UTF-8, each ended by a NUL byte: mapfile -d '' texts < <(...).
#                               Wine cuts very long texts short and marks them with "...".
#   msgbox_seen TEXT [LOG]      Succeeds when a message box showed exactly TEXT.
#   wine_path UNIX_PATH         The Z:\ path under which Windows programs see UNIX_PATH.
#   wine_cleanup                Ends what this run started: the program, the processes of the
#                               prefix it owns (wineserver -k) and its Xvfb.
#
# Where the kernel cannot run i386 code (no IA-32 emulation), Wine's 32-bit loader runs through
# qemu-i386 (version 8 or later; older ones make every Wine process start take minutes), which
# wine_setup registers with binfmt_misc when it runs as root.

WINE_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The test script and its arguments, for the start over as an unprivileged user.
_WINE_SCRIPT=$(realpath "$0")
_WINE_SCRIPT_ARGS=("$@")
: "${WINE_RUN_DIR:=$WINE_SOURCE_DIR/build/host/wine-run}"
WINE_PID=
WINE_LOG=
WINE_EXIT_CODE=
_WINE_XVFB_PID=
_WINE_LOCK_FD=

# Loud, never silent: a missing Wine fails the test unless explicitly allowed.
_wine_unavailable() {
  local rc=78 note="Wine tests FAIL without Wine (set KOLVANE_ALLOW_NO_WINE=1 to skip them)."
  if [ "${KOLVANE_ALLOW_NO_WINE:-0}" = 1 ]; then
    rc=77
    note="KOLVANE_ALLOW_NO_WINE=1: this Wine test is reported as SKIPPED."
  fi
  {
    echo "########################################################################"
    echo "WINE UNAVAILABLE: $*"
    echo "$note"
    echo "########################################################################"
  } >&2
  exit "$rc"
}

# Runs a command in the foreground without the prefix lock. Whatever outlives this run (Xvfb,
# wineserver and the services it starts) must not keep the prefix locked; programs started in
# the background close the lock descriptor themselves, so that $! is the program itself.
_wine_unlocked() {
  "$@" {_WINE_LOCK_FD}>&-
}

# Makes i386 ELF binaries executable, through qemu-i386 when the kernel cannot run them.
_wine_ensure_i386() {
  local loader=/usr/lib/wine/wine qemu=/usr/bin/qemu-i386 binfmt=/proc/sys/fs/binfmt_misc
  "$loader" --version >/dev/null 2>&1 && return 0
  [ -x "$qemu" ] || _wine_unavailable "the kernel cannot run i386 programs and $qemu is missing"
  local major
  major=$("$qemu" --version | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
  [ "${major:-0}" -ge 8 ] ||
    _wine_unavailable "$qemu is older than version 8 (run scripts/install-deps.sh)"
  [ "$(id -u)" = 0 ] || _wine_unavailable "registering qemu-i386 for i386 programs needs root"
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  if [ ! -e "$binfmt/kolvane-i386" ]; then
    # i386 ELF executables and shared objects (e_type 2 or 3, e_machine 3).
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":kolvane-i386:M::$magic:$mask:$qemu:" >"$binfmt/register" 2>/dev/null || true
  fi
  "$loader" --version >/dev/null 2>&1 ||
    _wine_unavailable "i386 programs do not run even through $qemu"
}

# Wine lets root write through read-only files and into any folder, so cases about
# read-only or locked files could pass on a broken program. Run as root, the test starts
# over as the user nobody (65534), which then owns the run folder; only when that user
# cannot read the sources does the run stay root, and says so loudly.
_wine_drop_root() {
  local as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  mkdir -p "$WINE_RUN_DIR/home"
  chown -R 65534:65534 "$WINE_RUN_DIR"
  if ! "${as_user[@]}" test -r "$_WINE_SCRIPT" -a -r "$WINE_SOURCE_DIR/tests/wine/lib.sh"; then
    echo "#### WINE TESTS RUN AS ROOT: user 65534 cannot read $WINE_SOURCE_DIR, so read-only" \
      "files do not hold the program back here ####" >&2
    return 0
  fi
  exec "${as_user[@]}" env HOME="$WINE_RUN_DIR/home" \
    PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin \
    bash "$_WINE_SCRIPT" "${_WINE_SCRIPT_ARGS[@]}"
}

_wine_start_xvfb() {
  local display_file="$WINE_RUN_DIR/logs/xvfb-$$.display" deadline=$((SECONDS + 30))
  : >"$display_file"
  # Left behind by an earlier run that was killed before its cleanup.
  if [ -f "$WINE_RUN_DIR/xvfb.pid" ]; then
    local old
    old=$(cat "$WINE_RUN_DIR/xvfb.pid")
    [ "$(cat "/proc/$old/comm" 2>/dev/null)" != Xvfb ] || kill "$old" 2>/dev/null || true
  fi
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
    >"$WINE_RUN_DIR/logs/xvfb-$$.log" 2>&1 {_WINE_LOCK_FD}>&- &
  _WINE_XVFB_PID=$!
  echo "$_WINE_XVFB_PID" >"$WINE_RUN_DIR/xvfb.pid"
  until [ -s "$display_file" ]; do
    if ((SECONDS > deadline)) || ! kill -0 "$_WINE_XVFB_PID" 2>/dev/null; then
      _wine_unavailable "Xvfb did not start (see $WINE_RUN_DIR/logs/xvfb-$$.log)"
    fi
    sleep 0.2
  done
  DISPLAY=":$(tr -dc 0-9 <"$display_file")"
  export DISPLAY
  rm -f "$display_file"
}

# The prefix's settings as a UTF-16 .reg file, so the Japanese value names survive any code page:
# the font replacements, and windows that Wine frames itself. Xvfb runs no window manager: a managed
# window that ends waits two seconds for a withdrawn state that never comes, and has no title
# bar; unmanaged ones close at once and Wine draws their captions.
_wine_settings_reg() {
  local font=IPAPGothic name
  {
    printf '\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for name in "ＭＳ Ｐゴシック" "MS UI Gothic" "MS Shell Dlg" "Tahoma"; do
      printf '"%s"="%s"\r\n' "$name" "$font"
    done
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
  } | iconv -f UTF-8 -t UTF-16LE >"$1"
}

_wine_apply_settings() {
  local reg="$WINE_RUN_DIR/settings.reg"
  _wine_settings_reg "$reg"
  _wine_unlocked timeout 600 wine regedit /S "$(wine_path "$reg")" >>"$1" 2>&1 || return 1
  timeout 600 wineserver -w || return 1
  grep -qx '"Managed"="N"' "$WINEPREFIX/user.reg"
}

_wine_create_prefix() {
  local log="$WINE_RUN_DIR/logs/prefix.log" started=$SECONDS
  echo "wine: creating the 32-bit prefix $WINEPREFIX (a minute or more) ..." >&2
  rm -rf "$WINEPREFIX"
  _wine_unlocked timeout 1800 wineboot -i >"$log" 2>&1 || return 1
  timeout 600 wineserver -w || return 1
  _wine_apply_settings "$log" || return 1
  [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] || return 1
  [ "$(grep -c '="IPAPGothic"' "$WINEPREFIX/user.reg")" = 4 ] || return 1
  touch "$WINEPREFIX/.kolvane-complete"
  echo "wine: prefix created in $((SECONDS - started)) s" >&2
}

wine_setup() {
  local tool
  for tool in wine wineserver wineboot Xvfb xdotool import flock iconv perl timeout; do
    command -v "$tool" >/dev/null ||
      _wine_unavailable "'$tool' is not installed (run scripts/install-deps.sh)"
  done
  locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' ||
    _wine_unavailable "the ja_JP.UTF-8 locale is missing (run scripts/install-deps.sh)"
  _wine_ensure_i386
  [ "$(id -u)" != 0 ] || _wine_drop_root

  mkdir -p "$WINE_RUN_DIR/logs" "$WINE_RUN_DIR/screenshots"
  WINE_RUN_DIR=$(cd "$WINE_RUN_DIR" && pwd)
  export WINEARCH=win32 WINEPREFIX="$WINE_RUN_DIR/prefix"
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  # No .NET or HTML engine install prompts, no desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINEDEBUG=-all

  trap wine_cleanup EXIT
  trap 'exit 130' INT TERM
  exec {_WINE_LOCK_FD}>"$WINE_RUN_DIR/prefix.lock"
  if ! flock -x -n "$_WINE_LOCK_FD"; then
    echo "wine: waiting for another run to finish with $WINEPREFIX ..." >&2
    flock -x "$_WINE_LOCK_FD"
  fi
  # Whatever still runs in the prefix was left behind by an earlier, interrupted run.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  _wine_start_xvfb
  if [ ! -f "$WINEPREFIX/.kolvane-complete" ] && ! _wine_create_prefix; then
    _wine_unavailable "could not create the Wine prefix (see $WINE_RUN_DIR/logs/prefix.log)"
  fi
  # A prefix made before the settings grew is brought up to date.
  if ! grep -qx '"Managed"="N"' "$WINEPREFIX/user.reg" &&
    ! _wine_apply_settings "$WINE_RUN_DIR/logs/prefix.log"; then
    _wine_unavailable "could not change the Wine prefix (see $WINE_RUN_DIR/logs/prefix.log)"
  fi
  # Keep the server, and the services it starts, alive between the programs of this run.
  _wine_unlocked wineserver -p120
}

wine_set_version() {
  [[ "${1:-}" =~ ^[a-z0-9]+$ ]] || { echo "wine_set_version: bad version '${1:-}'" >&2; return 2; }
  _wine_unlocked wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f \
    >>"$WINE_RUN_DIR/logs/reg-$$.log" 2>&1
}

wine_reset_version() {
  _wine_unlocked wine reg delete 'HKCU\Software\Wine' /v Version /f \
    >>"$WINE_RUN_DIR/logs/reg-$$.log" 2>&1
}

wine_set_dpi() {
  [[ "${1:-}" =~ ^[0-9]+$ ]] || { echo "wine_set_dpi: bad DPI '${1:-}'" >&2; return 2; }
  _wine_unlocked wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" \
    /f >>"$WINE_RUN_DIR/logs/reg-$$.log" 2>&1
}

wine_reset_dpi() {
  _wine_unlocked wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f \
    >>"$WINE_RUN_DIR/logs/reg-$$.log" 2>&1
}

wine_start() {
  WINE_LOG=$(mktemp "$WINE_RUN_DIR/logs/$(basename "$1" .exe)-XXXXXX.log")
  WINE_EXIT_CODE=
  WINEDEBUG=-all,trace+msgbox,trace+loaddll wine "$@" >"$WINE_LOG" 2>&1 {_WINE_LOCK_FD}>&- &
  WINE_PID=$!
}

# True in a subshell whose test script was killed: stop waiting, the prefix is needed again.
_wine_orphaned() {
  ! kill -0 $$ 2>/dev/null
}

wine_wait_exit() {
  local deadline=$((SECONDS + $1)) code=0
  while kill -0 "$WINE_PID" 2>/dev/null; do
    if ((SECONDS >= deadline)) || _wine_orphaned; then
      echo "wine: program still running after $1 s, killing it (log: $WINE_LOG)" >&2
      kill "$WINE_PID" 2>/dev/null || true
      wait "$WINE_PID" 2>/dev/null || true
      WINE_PID=
      WINE_EXIT_CODE=timeout
      return 124
    fi
    sleep 0.5
  done
  wait "$WINE_PID" || code=$?
  WINE_PID=
  WINE_EXIT_CODE=$code
  return "$code"
}

wait_window() {
  local deadline=$((SECONDS + $2)) wid
  while ((SECONDS < deadline)); do
    wid=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    if [ -n "$wid" ]; then
      echo "$wid"
      return 0
    fi
    _wine_orphaned && return 1
    if [ -n "$WINE_PID" ] && ! kill -0 "$WINE_PID" 2>/dev/null; then
      echo "wait_window: the program ended before a window /$1/ appeared (log: $WINE_LOG)" >&2
      return 1
    fi
    sleep 1
  done
  echo "wait_window: no window /$1/ within $2 s (log: $WINE_LOG)" >&2
  return 1
}

focus_window() {
  xdotool windowraise "$1" windowfocus "$1"
  sleep 0.5
}

press() {
  xdotool key --delay 150 "$@"
}

type_text() {
  xdotool type --delay 120 -- "$1"
}

click_at() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

screenshot() {
  local file="$WINE_RUN_DIR/screenshots/$1.png"
  import -display "$DISPLAY" -window root "$file"
  echo "$file"
}

# Wine logs `MSGBOX_OnInit L"..."` with C escapes and \hhhh for every non-ASCII UTF-16 unit.
msgbox_texts() {
  perl -CS -ne '
    next unless /MSGBOX_OnInit L"(.*)"/;
    my $s = $1;
    my %c = (n => "\n", r => "\r", t => "\t");
    $s =~ s{\\([0-9a-fA-F]{4})|\\(.)}{defined $1 ? chr(hex $1) : ($c{$2} // $2)}ge;
    print "$s\0";
  ' "${1:-$WINE_LOG}"
}

msgbox_seen() {
  local text
  while IFS= read -r -d '' text; do
    [ "$text" = "$1" ] && return 0
  done < <(msgbox_texts "${2:-$WINE_LOG}")
  return 1
}

wine_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s\n' "${path//\//\\}"
}

# For scripts that count their failures and go on: fail reports one.
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# wine_scratch NAME: wine_setup, then $work, a new folder under the run folder that goes with
# everything else at the end.
wine_scratch() {
  wine_setup
  work=$(mktemp -d "$WINE_RUN_DIR/$1.XXXXXX")
  trap 'wine_cleanup; rm -rf "$work"' EXIT
}

wine_cleanup() {
  if [ -n "$WINE_PID" ] && kill -0 "$WINE_PID" 2>/dev/null; then
    kill "$WINE_PID" 2>/dev/null || true
  fi
  WINE_PID=
  if [ -n "$_WINE_LOCK_FD" ]; then
    wineserver -k 2>/dev/null || true
    exec {_WINE_LOCK_FD}>&-
    _WINE_LOCK_FD=
  fi
  if [ -n "$_WINE_XVFB_PID" ]; then
    kill "$_WINE_XVFB_PID" 2>/dev/null || true
    rm -f "$WINE_RUN_DIR/xvfb.pid"
    _WINE_XVFB_PID=
  fi
}

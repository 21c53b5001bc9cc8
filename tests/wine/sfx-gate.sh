# shellcheck shell=bash
# shellcheck disable=SC2154  # work, main and code are set by sfx-cases.sh and its helpers
# The Windows version gate and the two folder choosers, case "gate" of sfx-cases.sh: Wine
# poses as each version in turn. Win32s on Windows 3.1 is refused with string 13; NT 3.51 gets
# the directory picker (caption string 14); Windows 95 and later get the shell's folder
# browser (title line string 11). Each chooser is cancelled, which leaves the folder as it was.
# Posing as XP and 10, where Windows reads the program's manifest, the common controls are
# those of version 6 from the side-by-side store (Wine reads the manifest whatever it poses as).
# Posing as 10, GetVersion reports 10.0 to a program with the stub's manifest (6.2 to one
# without), which is what the gate sees there.

GATE_TITLE="版の検査"

# A self-extractor whose default folder is the case folder itself.
build_gate_exe() {
  local tree=$work/gate-tree
  mkdir -p "$tree"
  printf 'g\r\n' >"$tree/g.txt"
  pack z "$work/gate.lzh" "$tree" g.txt &&
    make_exe "$work/gate.lzh" "$work/gate.exe" --title "$GATE_TITLE" \
      --folder "$(wine_path "$work/gate")"
}

# The program's log shows comctl32 loaded from the side-by-side store, version 6.
comctl6_loaded() {
  grep -qiE 'Loaded L".*common-controls_6595b64144ccf1df_6\.[0-9.]+_[^"]*comctl32\.dll"' \
    "$WINE_LOG" || { echo "  comctl32 version 6 was not loaded (log: $WINE_LOG)" >&2; return 1; }
}

gate_refused() { # VERSION
  local box
  start_program box "$work/gate.exe" "$TEXT_PROGRAM_NAME"
  check "$1: refusal box under caption \"$TEXT_PROGRAM_NAME\"" test -n "$box" || return
  shot "$1-refused"
  focus_window "$box"
  press Return
  check "$1: main dialog never shown" equals "$(watch_for_window "$GATE_TITLE" "")" ""
  finish 120
  check "$1: exit code 0" equals "$code" 0
  check "$1: the box showed string 13 only" expect_boxes "$TEXT_OLD_WINDOWS"
}

# gate_browse VERSION: the main dialog opens, Browse (alt+b) shows the chooser for VERSION,
# Escape cancels it, the folder box is unchanged and Escape ends the run with 0.
gate_browse() {
  local version=$1 chooser d
  open_main "$work/gate.exe" "$GATE_TITLE" || return
  shot "$version-main"
  if [ "$version" = winxp ] || [ "$version" = win10 ]; then
    check "$version: common controls 6 loaded through the manifest" comctl6_loaded
  fi
  focus_window "$main"
  press alt+b
  if [ "$version" = nt351 ]; then
    chooser=$(wait_title "$TEXT_BROWSE_DIRECTORY" 120 "$main")
    check "$version: Browse opens the directory picker \"$TEXT_BROWSE_DIRECTORY\"" \
      test -n "$chooser" || return
    shot "$version-chooser"
    d=$(dump "$version-chooser") || { bad "$version: reading the picker"; return; }
    check "$version: picker shows the directory list" \
      expect_control "$d" "$TEXT_BROWSE_DIRECTORY" 1121 visible 1
    check "$version: picker shows the drive list" \
      expect_control "$d" "$TEXT_BROWSE_DIRECTORY" 1137 visible 1
    local control
    for control in 1152 1120 1136 1040; do
      check "$version: picker hides file control $control" \
        expect_control "$d" "$TEXT_BROWSE_DIRECTORY" "$control" visible 0
    done
  else
    chooser=$(wait_title "*" 120 "$main")
    check "$version: Browse opens a chooser window" test -n "$chooser" || return
    local title
    title=$(xdotool getwindowname "$chooser")
    check "$version: the chooser is not the directory picker" \
      test "$title" != "$TEXT_BROWSE_DIRECTORY"
    d=$(dump "$version-chooser") || { bad "$version: reading the folder browser"; return; }
    shot "$version-chooser" # after the dump: the browser has then painted itself completely
    check "$version: folder browser '$title' shows \"$TEXT_SELECT_FOLDER\"" \
      dump_window_shows "$d" "$title" "$TEXT_SELECT_FOLDER"
  fi
  answer "$chooser" Escape || { bad "$version: chooser closes on Escape"; return; }
  d=$(dump "$version-after") &&
    check "$version: folder box unchanged after cancelling the chooser" \
      expect_control "$d" "$GATE_TITLE" 1001 text "$(wine_path "$work/gate")"
  focus_window "$main"
  press Escape
  finish 120
  check "$version: exit code 0 after Cancel" equals "$code" 0
  check "$version: no message box" expect_boxes
}

# The probe of the harness' self-test, linked with the stub's manifest, reports GetVersion.
gate_manifest_version() {
  local out=$work/version.txt code=0 value
  printf '1 24 "%s"\n' "$here/../../resources/kolvane95.manifest" >"$work/manifest.rc"
  if ! i686-w64-mingw32-windres "$work/manifest.rc" -O coff -o "$work/manifest.o" ||
    ! i686-w64-mingw32-gcc -O1 -mwindows -o "$work/probe.exe" "$here/probe.c" "$work/manifest.o"; then
    bad "building probe.exe with the manifest"
    return
  fi
  wine_start "$work/probe.exe" version "$(wine_path "$out")"
  wine_wait_exit 300 || code=$?
  value=$((16#$(cat "$out" 2>/dev/null || echo 0)))
  check "win10: GetVersion under the manifest reports NT 10.0" \
    equals "$code $((value >> 31 & 1)) $((value & 0xFF)).$((value >> 8 & 0xFF))" "0 0 10.0"
}

case_gate() {
  build_gate_exe || { bad "building the self-extractor"; return; }
  local version
  for version in win31 nt351 win95 nt40 winxp win10; do
    wine_set_version "$version" || { bad "$version: setting the version"; continue; }
    if [ "$version" = win31 ]; then
      gate_refused "$version"
    else
      gate_browse "$version"
    fi
    [ "$version" = win10 ] && gate_manifest_version
    end_program
  done
  wine_reset_version
  check "nothing written" equals "$(find "$work/gate" -mindepth 1)" ""
}

# shellcheck shell=bash
# shellcheck disable=SC2154  # work, tools, main and code are set by sfx-cases.sh and its helpers
# The self-extractor cases of sfx-cases.sh that end in a refusal or an error box: a folder
# that is not a full path, a damaged member header, an archive cut short and a data CRC
# error. Texts and helpers come from sfx-texts.sh, sfx-helpers.sh and sfx-scenarios.sh.

# Folders that are not full paths are refused with string 15 under caption string 7, and the
# dialog stays open; Cancel then ends the run with 0 and nothing written.
case_relative() {
  local tree=$work/relative-tree title="相対パス" box i=0 text
  mkdir -p "$tree"
  printf 'x\r\n' >"$tree/x.txt"
  pack z "$work/relative.lzh" "$tree" x.txt || return
  make_exe "$work/relative.lzh" "$work/relative.exe" --title "$title" || return
  open_main "$work/relative.exe" "$title" || return
  for text in 'relative\dir' '\folder' 'D:folder'; do
    i=$((i + 1))
    enter_folder "$text" "typed-$i"
    box=$(wait_title "$TEXT_PROGRAM_NAME" 120 "$main")
    check "'$text' refused in a box under caption \"$TEXT_PROGRAM_NAME\"" test -n "$box" || return
    shot "full-path-box-$i"
    answer "$box" Return || { bad "box closes on Enter"; return; }
    check "main dialog still open after refusing '$text'" window_visible "$main"
  done
  local d
  d=$(dump after-refusals) &&
    check "folder box keeps what was typed" expect_control "$d" "$title" 1001 text 'D:folder'
  focus_window "$main"
  press Escape
  finish 120
  check "exit code 0 after Cancel" equals "$code" 0
  check "each refusal showed string 15" \
    expect_boxes "$TEXT_FULL_PATH" "$TEXT_FULL_PATH" "$TEXT_FULL_PATH"
  check "nothing written" equals "$(find "$work/relative" -mindepth 1)" ""
}

# A member header whose CRC does not match: the notice pass names the program's own file with
# string 5 and the run ends with 0 before the main dialog.
case_damaged_header() {
  local tree=$work/damaged_header/tree title="壊れた書庫" exe=$work/damaged_header.exe box
  mkdir -p "$tree"
  printf 'a\r\n' >"$tree/a.txt"
  printf 'b\r\n' >"$tree/b.txt"
  pack o5 "$work/damaged_header.lzh" "$tree" a.txt b.txt || return
  # Offset 15 of a level-2 header is the time stamp; changing it breaks the header CRC only.
  printf '\x55' | dd of="$work/damaged_header.lzh" bs=1 seek=15 conv=notrunc status=none
  make_exe "$work/damaged_header.lzh" "$exe" --title "$title" || return
  start_program box "$exe" "$title"
  check "error box shown under the configured title" test -n "$box" || return
  shot error-box
  check "box names the program's own file with string 5" \
    msgbox_seen "\"$(wine_path "$exe")\" $TEXT_BAD_HEADER"
  focus_window "$box"
  press Return
  check "main dialog never shown" equals "$(watch_for_window "$title" "$box")" ""
  finish 120
  check "exit code 0" equals "$code" 0
  check "only that box" expect_boxes "\"$(wine_path "$exe")\" $TEXT_BAD_HEADER"
  check "nothing written" equals "$(find "$work/damaged_header" -mindepth 1 ! -path '*/tree*')" ""
}

# An archive cut short inside a stored member: string 2 with the program's own file, the
# partial file deleted, exit code 1.
case_truncated() {
  local tree=$work/truncated/tree dest=$work/truncated/dest title="途切れた書庫"
  local exe=$work/truncated.exe box
  mkdir -p "$tree"
  printf 'complete\r\n' >"$tree/ok.txt"
  head -c 300000 /dev/urandom >"$tree/data.bin"
  pack z "$work/truncated.lzh" "$tree" ok.txt data.bin || return
  make_exe "$work/truncated.lzh" "$exe" --title "$title" || return
  # data.bin is the last member: the file ends with its data and the archive's end byte.
  truncate -s $(($(stat -c %s "$exe") - 1 - 150000)) "$exe"
  open_main "$exe" "$title" || return
  enter_folder "$(wine_path "$dest")"
  box=$(wait_title "$title" 300 "$main")
  check "error box shown" test -n "$box" || return
  shot error-box
  answer "$box" Return || bad "error box closes on Enter"
  finish 120
  check "exit code 1 after the failed extraction" equals "$code" 1
  check "the box names the program's own file with string 2" \
    expect_boxes "\"$(wine_path "$exe")\" $TEXT_READ_ERROR"
  check "ok.txt extracted" same_file "$tree/ok.txt" "$dest/ok.txt"
  check "the partial data.bin was deleted" test ! -e "$dest/data.bin"
}

# A stored member whose data no longer matches its CRC: string 6 with the output path, the
# file deleted, later members not made, the command not started.
case_crc_error() {
  local tree=$work/crc_error/tree dest=$work/crc_error/dest title="CRC 検査" box
  mkdir -p "$tree"
  cp "$tools/marker.exe" "$tree/"
  printf 'fine\r\n' >"$tree/ok.txt"
  printf 'this member is damaged: CORRUPT-ME\r\n' >"$tree/bad.txt"
  printf 'never reached\r\n' >"$tree/after.txt"
  pack z "$work/crc_error.lzh" "$tree" marker.exe ok.txt bad.txt after.txt || return
  cp "$work/crc_error.lzh" "$work/crc_error-intact.lzh"
  perl -pi -e 's/CORRUPT-ME/CORRUPT-MF/' "$work/crc_error.lzh"
  check "exactly one data byte of bad.txt changed" \
    equals "$(cmp -l "$work/crc_error-intact.lzh" "$work/crc_error.lzh" | wc -l)" 1
  make_exe "$work/crc_error.lzh" "$work/crc_error.exe" --title "$title" \
    --command '%ExtractDir%\marker.exe' || return
  open_main "$work/crc_error.exe" "$title" || return
  enter_folder "$(wine_path "$dest")"
  box=$(wait_title "$title" 300 "$main")
  check "error box shown" test -n "$box" || return
  shot error-box
  answer "$box" Return || bad "error box closes on Enter"
  finish 120
  check "exit code 1 after the CRC error" equals "$code" 1
  check "the box names the output path with string 6" \
    expect_boxes "\"$(output_path_of "$dest" bad.txt)\" $TEXT_CRC_ERROR"
  check "ok.txt extracted" same_file "$tree/ok.txt" "$dest/ok.txt"
  check "bad.txt deleted" test ! -e "$dest/bad.txt"
  check "after.txt never created" test ! -e "$dest/after.txt"
  never_appears "$dest/marker.txt"
}

# Archives whose members a listing would not show: a stored member whose data holds a whole
# second member, and a file that ends at its archive offset. The notice pass refuses each
# with string 5 and the program's own file, before any dialog; the run ends with 0.
case_hidden_member() {
  local title="隠れた書庫" exe box inner
  python3 "$here/../make/lzh_tool.py" members "$work/inner.lzh" 'name=hidden.txt,data=hidden'
  inner=$(od -An -v -tx1 "$work/inner.lzh" | tr -d ' \n' | sed 's/../\\x&/g')
  python3 "$here/../make/lzh_tool.py" members "$work/hidden.lzh" \
    "name=a.txt,original=6,data=a.txt\n$inner" 'name=visible.txt,data=visible'
  make_exe "$work/hidden.lzh" "$work/hidden.exe" --title "$title" || return
  cp "$work/hidden.exe" "$work/cut.exe"
  truncate -s "$(od -An -tu4 -j 512 -N 4 "$work/cut.exe" | tr -d ' ')" "$work/cut.exe"
  for exe in "$work/hidden.exe" "$work/cut.exe"; do
    start_program box "$exe" "$title"
    check "$(basename "$exe"): error box shown" test -n "$box" || return
    shot "$(basename "$exe" .exe)"
    check "$(basename "$exe"): string 5 with the program's own file" \
      msgbox_seen "\"$(wine_path "$exe")\" $TEXT_BAD_HEADER"
    focus_window "$box"
    press Return
    check "$(basename "$exe"): main dialog never shown" \
      equals "$(watch_for_window "$title" "$box")" ""
    finish 120
    check "$(basename "$exe"): exit code 0" equals "$code" 0
  done
}

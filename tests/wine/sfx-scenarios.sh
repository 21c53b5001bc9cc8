# shellcheck shell=bash
# shellcheck disable=SC2154  # work, tools, main and code are set by sfx-cases.sh and its helpers
# The self-extractor cases of sfx-cases.sh that end in an extraction: the main path, the
# notice declined, the overwrite question answered each way, and Cancel during a large member.
# Each case runs in its own folder ($work/CASE, the current directory) and uses the helpers of
# sfx-helpers.sh and the texts of sfx-texts.sh.

# The first program start after the server started may take minutes under emulation.
# shellcheck disable=SC2034  # read by sfx-helpers.sh
FIRST_WINDOW_TIMEOUT=900

# open_main EXE TITLE: starts EXE and waits for its main dialog; sets $main.
open_main() {
  start_program main "$1" "$2"
  check "main dialog '$2' shown" test -n "$main"
}

# enter_folder TEXT [SHOT]: replaces the folder box's text with TEXT, keeps a screenshot
# (named SHOT, default typed-folder) and presses OK (Return).
enter_folder() {
  focus_window "$main"
  press alt+f Home shift+End
  type_text "$1"
  shot "${2:-typed-folder}"
  press Return
}

# The notice member "!" first, then a tree with Japanese names, a name with a space, an empty
# folder, text and binary files with known times, and the command marker.exe.
make_main_tree() {
  local tree=$1
  mkdir -p "$tree/docs/日本語" "$tree/with space" "$tree/empty folder" "$tree/bin"
  printf 'ご注意ください。\r\n展開を続けますか?' | iconv -f UTF-8 -t CP932 >"$tree/!"
  printf 'readme\r\nline two\r\n' >"$tree/readme.txt"
  cp /usr/share/common-licenses/GPL-3 "$tree/docs/GPL-3"
  printf 'ソフト表示\r\n' >"$tree/docs/日本語/ソフト表示.txt" # a trail byte 0x5C in code page 932
  printf 'hello\n' >"$tree/with space/read me.txt"
  head -c 150000 /bin/bash >"$tree/bin/part-of-bash"
  cp "$tools/marker.exe" "$tree/marker.exe"
  touch -d '2001-02-03 04:05:06' "$tree/docs/GPL-3" "$tree/readme.txt"
  touch -d '1999-12-31 23:59:58' "$tree/docs/日本語/ソフト表示.txt"
  touch -d '2020-07-15 12:00:00' "$tree/bin/part-of-bash" "$tree/with space/read me.txt"
}

MAIN_TITLE="テスト展開"
MAIN_COMMAND='"%ExtractDir%\marker.exe" one "two three"'

# The self-extractor of the main path, shared with notice_no: $work/main.exe.
build_main_exe() {
  [ -s "$work/main.exe" ] && return 0
  make_main_tree "$work/main-tree"
  pack o7 "$work/main.lzh" "$work/main-tree" '!' readme.txt docs 'with space' 'empty folder' \
    bin marker.exe || return 1
  check "jlha wrote the notice first" \
    equals "$(archive_members "$work/main.lzh" | head -n 1)" "-lh0- !" || return 1
  check "jlha packed with -lh7-" grep -qx -- "-lh7- docs/GPL-3" <(archive_members "$work/main.lzh")
  make_exe "$work/main.lzh" "$work/main.exe" --title "$MAIN_TITLE" \
    --label "展開先ﾌｫﾙﾀﾞ(&F):" --message "ようこそ。OK で展開します" \
    --folder "$(wine_path "$work/unused default")" --command "$MAIN_COMMAND"
}

NOTICE_TEXT=$'ご注意ください。\r\n展開を続けますか?'

case_main() {
  build_main_exe || { bad "building the self-extractor"; return; }
  local dest="$work/main/dest dir/sub" notice
  start_program notice "$work/main.exe" "$MAIN_TITLE"
  check "notice box shown under the configured title" test -n "$notice" || return
  shot notice
  check "notice box shows the notice member's text" msgbox_seen "$NOTICE_TEXT"
  answer "$notice" alt+y || { bad "notice box closes on Yes"; return; }
  main=$(wait_title "$MAIN_TITLE" 120)
  check "main dialog shown after Yes" test -n "$main" || return
  shot main-dialog
  local d
  d=$(dump main-dialog) || { bad "reading the main dialog"; return; }
  check "label shows the configured label" expect_control "$d" "$MAIN_TITLE" 1002 text "展開先ﾌｫﾙﾀﾞ(&F):"
  check "message line shows the configured message" \
    expect_control "$d" "$MAIN_TITLE" 1003 text "ようこそ。OK で展開します"
  check "folder box shows the configured folder in quotes (it has a space)" \
    expect_control "$d" "$MAIN_TITLE" 1001 text "\"$(wine_path "$work/unused default")\""
  check "progress bar starts at 0" expect_control "$d" "$MAIN_TITLE" 1000 text 0
  enter_folder "$(wine_path "$dest")"
  finish 600
  check "exit code 1 after the extraction" equals "$code" 1
  check "every member extracted with its bytes and time" \
    same_tree "$work/main-tree" "$dest" '!' marker.txt
  check "the notice member was not extracted" test ! -e "$dest/!"
  check "the empty folder member became a folder" test -d "$dest/empty folder"
  check "the configured default folder was never created" test ! -e "$work/unused default"
  local marker="$dest/marker.txt" i
  for ((i = 0; i < 240; i++)); do
    [ -s "$marker" ] && break
    sleep 0.5
  done
  check "the command ran in the destination with its arguments" \
    equals "$(cat "$marker" 2>/dev/null)" "$(wine_path "$dest")"$'\r\none "two three"\r'
  check "no message box but the notice" expect_boxes "$NOTICE_TEXT"
}

case_notice_no() {
  build_main_exe || { bad "building the self-extractor"; return; }
  local notice others
  start_program notice "$work/main.exe" "$MAIN_TITLE"
  check "notice box shown" test -n "$notice" || return
  shot notice
  focus_window "$notice"
  press alt+n
  others=$(watch_for_window "$MAIN_TITLE" "$notice")
  check "main dialog never shown after No" equals "$others" ""
  finish 120
  check "exit code 0 after No" equals "$code" 0
  check "nothing written anywhere" equals "$(find "$work/notice_no" -mindepth 1)" ""
  check "default folder not created" test ! -e "$work/unused default"
  check "no message box but the notice" expect_boxes "$NOTICE_TEXT"
}

OVERWRITE_TITLE="上書き確認"

# One run, four existing files: Yes (Enter), No (alt+n), Overwrite all (alt+a), and the
# fourth replaced without a question; a fifth, new file in between.
case_overwrite() {
  local tree=$work/overwrite/tree dest=$work/overwrite/dest name
  mkdir -p "$tree" "$dest"
  for name in o1 o2 o3 n4 o5; do
    printf 'new %s\r\n' "$name" >"$tree/$name.txt"
    touch -d '2010-10-10 10:10:10' "$tree/$name.txt"
  done
  for name in o1 o2 o3 o5; do
    printf 'old %s\n' "$name" >"$dest/$name.txt"
    touch -d '1995-08-24 09:00:00' "$dest/$name.txt"
  done
  cp -p "$dest/o2.txt" "$work/overwrite/o2-before.txt"
  pack z "$work/overwrite.lzh" "$tree" o1.txt o2.txt o3.txt n4.txt o5.txt || return
  check "jlha stored every member (-lh0-)" \
    equals "$(archive_members "$work/overwrite.lzh" | cut -d' ' -f1 | sort -u)" "-lh0-"
  make_exe "$work/overwrite.lzh" "$work/overwrite.exe" --title "$OVERWRITE_TITLE" || return
  open_main "$work/overwrite.exe" "$OVERWRITE_TITLE" || return
  enter_folder "$(wine_path "$dest")"

  local question d
  question=$(wait_title "$OVERWRITE_TITLE" 120 "$main")
  check "question for o1.txt shown" test -n "$question" || return
  shot question-o1
  d=$(dump question-o1) || { bad "reading the question"; return; }
  check "question names the output path of o1.txt" expect_control "$d" "$OVERWRITE_TITLE" \
    1003 text "$(output_path_of "$dest" o1.txt)" 7
  check "question asks to overwrite" \
    expect_control "$d" "$OVERWRITE_TITLE" 65535 text "$TEXT_OVERWRITE_QUESTION" 7
  check "main dialog's status line names o1.txt" \
    expect_control "$d" "$OVERWRITE_TITLE" 1003 text "${TEXT_EXTRACTING}o1.txt" 1001
  local control
  for control in 1 1004 1001; do
    check "main dialog control $control disabled while extracting" \
      expect_control "$d" "$OVERWRITE_TITLE" "$control" enabled 0 1001
  done
  check "main dialog's Cancel stays enabled" expect_control "$d" "$OVERWRITE_TITLE" 2 enabled 1 1001
  answer "$question" Return || { bad "question closes on Enter (Yes)"; return; }

  question=$(wait_title "$OVERWRITE_TITLE" 120 "$main")
  check "question for o2.txt shown" test -n "$question" || return
  shot question-o2
  d=$(dump question-o2) && check "second question names o2.txt" \
    expect_control "$d" "$OVERWRITE_TITLE" 1003 text "$(output_path_of "$dest" o2.txt)" 7
  answer "$question" alt+n || { bad "question closes on alt+n (No)"; return; }

  question=$(wait_title "$OVERWRITE_TITLE" 120 "$main")
  check "question for o3.txt shown" test -n "$question" || return
  shot question-o3
  d=$(dump question-o3) && check "third question names o3.txt" \
    expect_control "$d" "$OVERWRITE_TITLE" 1003 text "$(output_path_of "$dest" o3.txt)" 7
  answer "$question" alt+a || { bad "question closes on alt+a (Overwrite all)"; return; }

  finish 300
  check "no question after Overwrite all; exit code 1" equals "$code" 1
  for name in o1 o3 n4 o5; do
    check "$name.txt extracted with its time" same_file "$tree/$name.txt" "$dest/$name.txt"
  done
  check "o2.txt (answered No) kept its bytes and time" \
    same_file "$work/overwrite/o2-before.txt" "$dest/o2.txt"
  check "no message box" expect_boxes
}

# Cancel in the overwrite question: the run ends there, the command is not started.
case_overwrite_cancel() {
  local tree=$work/overwrite_cancel/tree dest=$work/overwrite_cancel/dest
  mkdir -p "$tree" "$dest"
  cp "$tools/marker.exe" "$tree/"
  printf 'first\r\n' >"$tree/c1.txt"
  printf 'second\r\n' >"$tree/c2.txt"
  printf 'third\r\n' >"$tree/c3.txt"
  printf 'existing c2\n' >"$dest/c2.txt"
  cp -p "$dest/c2.txt" "$work/overwrite_cancel/c2-before.txt"
  pack o5 "$work/overwrite_cancel.lzh" "$tree" marker.exe c1.txt c2.txt c3.txt || return
  make_exe "$work/overwrite_cancel.lzh" "$work/overwrite_cancel.exe" --title "$OVERWRITE_TITLE" \
    --command '%ExtractDir%\marker.exe' || return
  open_main "$work/overwrite_cancel.exe" "$OVERWRITE_TITLE" || return
  enter_folder "$(wine_path "$dest")"
  local question
  question=$(wait_title "$OVERWRITE_TITLE" 120 "$main")
  check "question for c2.txt shown" test -n "$question" || return
  shot question-c2
  answer "$question" Escape || { bad "question closes on Escape (Cancel)"; return; }
  finish 300
  check "exit code 1 after Cancel in the question" equals "$code" 1
  check "c1.txt extracted before it" same_file "$tree/c1.txt" "$dest/c1.txt"
  check "c2.txt kept" same_file "$work/overwrite_cancel/c2-before.txt" "$dest/c2.txt"
  check "c3.txt never created" test ! -e "$dest/c3.txt"
  check "no message box" expect_boxes
  never_appears "$dest/marker.txt"
}

# Cancel while a large member is being written: the partial file goes, later members are not
# made, and the configured command is not started.
case_cancel() {
  local tree=$work/cancel/tree dest=$work/cancel/dest
  mkdir -p "$tree"
  cp "$tools/marker.exe" "$tree/"
  printf 'before the big one\r\n' >"$tree/first.txt"
  head -c 60000000 /dev/urandom | base64 -w 76 >"$tree/big.txt"
  printf 'after the big one\r\n' >"$tree/last.txt"
  pack o5 "$work/cancel.lzh" "$tree" marker.exe first.txt big.txt last.txt || return
  check "big.txt packed with -lh5-" grep -qx -- '-lh5- big.txt' <(archive_members "$work/cancel.lzh")
  make_exe "$work/cancel.lzh" "$work/cancel.exe" --title "大きな書庫" \
    --command '%ExtractDir%\marker.exe' || return
  rm -f "$work/cancel.lzh"
  local full_size size=0 i
  full_size=$(stat -c %s "$tree/big.txt")
  open_main "$work/cancel.exe" "大きな書庫" || return
  enter_folder "$(wine_path "$dest")"
  # Once big.txt is on its way, the program is held (SIGSTOP) while Cancel is pressed: the key
  # then waits in the queue as it would behind a busy extraction, however fast the extraction
  # runs, and the program finds it at its next look after it goes on (SIGCONT).
  for ((i = 0; i < 15000 && size < 1000000; i++)); do
    sleep 0.02
    size=$(stat -c %s "$dest/big.txt" 2>/dev/null || echo 0)
  done
  kill -STOP "$WINE_PID" 2>/dev/null || true
  size=$(stat -c %s "$dest/big.txt" 2>/dev/null || echo 0)
  check "big.txt being written (got $size of $full_size bytes)" \
    test "$size" -ge 1000000 -a "$size" -lt "$full_size" || { kill -CONT "$WINE_PID" 2>/dev/null; return 1; }
  shot progress
  echo "  pressing Cancel with $size of $full_size bytes written"
  focus_window "$main"
  press Escape
  kill -CONT "$WINE_PID" 2>/dev/null || true
  finish 300
  check "exit code 1 after Cancel during extraction" equals "$code" 1
  check "the partial big.txt was deleted" test ! -e "$dest/big.txt"
  check "first.txt extracted before it" same_file "$tree/first.txt" "$dest/first.txt"
  check "last.txt never created" test ! -e "$dest/last.txt"
  check "no message box for a cancel" expect_boxes
  never_appears "$dest/marker.txt"
  rm -f "$work/cancel.exe" "$tree/big.txt"
}

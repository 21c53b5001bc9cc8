# shellcheck shell=bash
# shellcheck disable=SC2154  # work, main and code are set by sfx-cases.sh and its helpers
# Case "dpi" of sfx-cases.sh: the dialogs at 96 and at 192 DPI, Wine posing as Windows 10. The
# main dialog, the folder browser and the overwrite question are screenshot at each; the main
# dialog and the question scale by their dialog units, so at 192 DPI they measure twice their
# size at 96 DPI.

DPI_TITLE="表示倍率"
declare -A dpi_width # "main 96", "question 192", ...: a window's width at that resolution

window_width() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p'; }

# dpi_run DPI: one run at DPI, browsing and cancelling, then extracting and answering No to
# the question.
dpi_run() {
  local dpi=$1 chooser question
  rm -rf "$work/dpi/dest"
  mkdir -p "$work/dpi/dest"
  printf 'old\n' >"$work/dpi/dest/d.txt"
  wine_set_dpi "$dpi" || { bad "$dpi dpi: setting the resolution"; return; }
  open_main "$work/dpi.exe" "$DPI_TITLE" || return
  shot "$dpi-main"
  dpi_width["main $dpi"]=$(window_width "$main")
  focus_window "$main"
  press alt+b
  chooser=$(wait_title "*" 120 "$main")
  check "$dpi dpi: Browse opens the folder browser" test -n "$chooser" || return
  sleep 3 # the browser fills its tree after it is shown
  shot "$dpi-chooser"
  answer "$chooser" Escape || { bad "$dpi dpi: the browser closes on Escape"; return; }
  focus_window "$main"
  press Return
  question=$(wait_title "$DPI_TITLE" 120 "$main")
  check "$dpi dpi: overwrite question shown" test -n "$question" || return
  shot "$dpi-question"
  dpi_width["question $dpi"]=$(window_width "$question")
  answer "$question" alt+n || { bad "$dpi dpi: the question closes on alt+n"; return; }
  finish 120
  check "$dpi dpi: exit code 1 after the extraction" equals "$code" 1
  check "$dpi dpi: d.txt kept" equals "$(cat "$work/dpi/dest/d.txt")" old
}

# twice WINDOW: its width at 192 DPI is twice that at 96 DPI, give or take a twentieth.
twice() {
  local small=${dpi_width["$1 96"]:-0} large=${dpi_width["$1 192"]:-0}
  awk -v s="$small" -v l="$large" 'BEGIN { exit !(s > 0 && l >= 1.9 * s && l <= 2.1 * s) }' ||
    { echo "  $1: $large pixels wide at 192 dpi, $small at 96 dpi" >&2; return 1; }
}

case_dpi() {
  mkdir -p "$work/dpi/tree"
  printf 'new\r\n' >"$work/dpi/tree/d.txt"
  if ! pack z "$work/dpi.lzh" "$work/dpi/tree" d.txt ||
    ! make_exe "$work/dpi.lzh" "$work/dpi.exe" --title "$DPI_TITLE" \
      --folder "$(wine_path "$work/dpi/dest")"; then
    bad "building the self-extractor"
    return
  fi
  wine_set_version win10 || { bad "setting the version"; return; }
  local dpi
  for dpi in 96 192; do
    dpi_run "$dpi"
    end_program
  done
  wine_reset_dpi
  wine_reset_version
  check "main dialog twice as wide at 192 dpi" twice main
  check "overwrite question twice as wide at 192 dpi" twice question
}

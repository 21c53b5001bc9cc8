# shellcheck shell=bash
# Helpers of sfx-cases.sh: results, windows, dialog texts, archives and files on disk.
# Source after lib.sh; the caller sets $here (this folder), $stub (the program), $work (scratch
# folder), $tools (the test's own Windows programs), $suite_started and $case_name.
# shellcheck disable=SC2154,SC2034  # those globals, and $code which finish sets for the cases

passed=0
failed=0
case_name=
# Paths that must never appear; checked once at the end of the run (see never_appears).
never_paths=()
never_cases=()

ok() {
  passed=$((passed + 1))
  echo "ok: [$case_name] $1"
}

bad() {
  failed=$((failed + 1))
  echo "FAILED: [$case_name] $1" >&2
}

# check STEP COMMAND...: records the result; returns the command's status.
check() {
  local step=$1
  shift
  if "$@"; then
    ok "$step"
  else
    bad "$step"
    return 1
  fi
}

equals() { [ "$1" = "$2" ] || { echo "  got '$1', expected '$2'" >&2; return 1; }; }

phase() { echo "--- [$case_name] $1 (at $((SECONDS - suite_started)) s)"; }

# --- Windows -------------------------------------------------------------------------

# Visible windows, "ID<TAB>TITLE" per line.
visible_windows() {
  local wid
  for wid in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    printf '%s\t%s\n' "$wid" "$(xdotool getwindowname "$wid" 2>/dev/null)"
  done
}

# wait_title TITLE TIMEOUT [EXCLUDED_ID...]: prints the id of a visible window titled exactly
# TITLE ("*": any title but an empty one) that is none of the excluded ones.
wait_title() {
  local title=$1 deadline=$((SECONDS + $2)) wid name
  shift 2
  while ((SECONDS < deadline)); do
    while IFS=$'\t' read -r wid name; do
      if [ "$title" = "*" ]; then [ -n "$name" ] || continue; else [ "$name" = "$title" ] || continue; fi
      [[ " $* " == *" $wid "* ]] && continue
      echo "$wid"
      return 0
    done < <(visible_windows)
    if [ -n "$WINE_PID" ] && ! kill -0 "$WINE_PID" 2>/dev/null; then
      echo "  the program ended before a window '$title' appeared (log: $WINE_LOG)" >&2
      return 1
    fi
    sleep 0.5
  done
  echo "  no window '$title' within the time; visible: $(visible_windows | tr '\n\t' '; ')" >&2
  return 1
}

# start_program VAR EXE TITLE: starts EXE and sets VAR to the id of its first window, titled
# TITLE (empty when none came). Under emulation a Wine process now and then ends before it
# shows anything, leaving an empty log (no box traced); such a start is made once more, and
# said, so that only a program that does it twice fails its case.
start_program() {
  local -n window=$1
  wine_start "$2"
  window=$(wait_title "$3" "$FIRST_WINDOW_TIMEOUT") && return 0
  kill -0 "$WINE_PID" 2>/dev/null && return 1
  [ -s "$WINE_LOG" ] && return 1
  wine_wait_exit 5 >/dev/null 2>&1
  echo "  wine ended silently before any window (exit code $WINE_EXIT_CODE); starting it once more" >&2
  wine_start "$2"
  window=$(wait_title "$3" "$FIRST_WINDOW_TIMEOUT")
}

window_visible() { xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1"; }

# wait_closed ID TIMEOUT: until the window is no longer visible.
wait_closed() {
  local deadline=$((SECONDS + $2))
  while window_visible "$1"; do
    ((SECONDS < deadline)) || { echo "  window $1 still open" >&2; return 1; }
    sleep 0.3
  done
}

# answer ID KEY...: focuses the window, presses the keys and waits until it has closed.
answer() {
  local wid=$1
  shift
  focus_window "$wid"
  press "$@"
  wait_closed "$wid" 60
}

# watch_for_window TITLE EXCLUDED_ID: until the program ends, looks out for a visible window
# titled TITLE other than the excluded one; prints the first found (with a screenshot of it).
watch_for_window() {
  local found=
  while kill -0 "$WINE_PID" 2>/dev/null && [ -z "$found" ]; do
    found=$(visible_windows | awk -F'\t' -v t="$1" -v n="$2" '$2 == t && $1 != n { print $1 }')
    sleep 0.3
  done
  [ -n "$found" ] && shot unexpected-window
  echo "$found"
}

shot() { screenshot "sfx-$case_name-$1" >/dev/null; }

# finish TIMEOUT: waits for the program's end and sets $code to its exit code; a program still
# running then is screenshot and ended.
finish() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$WINE_PID" 2>/dev/null && ((SECONDS < deadline)); do
    sleep 0.5
  done
  kill -0 "$WINE_PID" 2>/dev/null && shot hanging
  wine_wait_exit 1 >/dev/null 2>&1
  code=$WINE_EXIT_CODE # "timeout" when it had to be ended
}

# Ends a program that a failed case left running: asked first, then forced after 10 s.
end_program() {
  local i
  if [ -n "$WINE_PID" ] && kill -0 "$WINE_PID" 2>/dev/null; then
    echo "  ending the program left running by [$case_name]" >&2
    shot left-running
    kill "$WINE_PID" 2>/dev/null
    for ((i = 0; i < 20; i++)); do
      kill -0 "$WINE_PID" 2>/dev/null || break
      sleep 0.5
    done
    kill -KILL "$WINE_PID" 2>/dev/null
    wait "$WINE_PID" 2>/dev/null
  fi
  WINE_PID=
}

# --- Dialog texts, read through wintext.exe (see wintext.c for the format) --------------

# dump NAME: writes what the visible windows show to $work/dumps/CASE-NAME.txt; prints that
# path.
dump() {
  local file=$work/dumps/$case_name-$1.txt
  mkdir -p "$work/dumps"
  rm -f "$file"
  # Started like the program under test, whose WINE_PID and WINE_LOG are kept.
  local program_pid=$WINE_PID program_log=$WINE_LOG
  wine_start "$tools/wintext.exe" "$(wine_path "$file")"
  wine_wait_exit 300 >/dev/null 2>&1
  WINE_PID=$program_pid
  WINE_LOG=$program_log
  [ -s "$file" ] || { echo "  wintext.exe wrote nothing to $file" >&2; return 1; }
  echo "$file"
}

# dump_get FILE TITLE ID FIELD [MARK_ID]: a field (text, visible, enabled, class) of control
# ID in the first window titled TITLE that has a control MARK_ID (default: ID itself).
dump_get() {
  perl -CSDA -e '
    my ($file, $title, $id, $field, $mark) = @ARGV;
    my %col = (class => 3, visible => 4, enabled => 5, text => 6);
    my (@order, %title_of, %controls);
    open my $in, "<", $file or die;
    while (<$in>) {
      chomp;
      my @f = split /\t/, $_, 7;
      if ($f[0] eq "W") { push @order, $f[1]; $title_of{$f[1]} = $f[3]; }
      else { $controls{$f[1]}{$f[2]} = \@f; }
    }
    for my $w (@order) {
      next unless $title_of{$w} eq $title && $controls{$w}{$mark} && $controls{$w}{$id};
      my $value = $controls{$w}{$id}[$col{$field}];
      my %c = (n => "\n", r => "\r", t => "\t");
      $value =~ s{\\(.)}{$c{$1} // $1}ge;
      print $value;
      exit 0;
    }
    exit 1;
  ' "$1" "$2" "$3" "$4" "${5:-$3}"
}

# expect_control FILE TITLE ID FIELD EXPECTED [MARK_ID]
expect_control() {
  local value
  value=$(dump_get "$1" "$2" "$3" "$4" "${6:-$3}") ||
    { echo "  no control $3 in a window '$2' (see $1)" >&2; return 1; }
  equals "$value" "$5"
}

# Titles of the visible top-level windows in a dump, one per line.
dump_titles() { perl -CSD -ne 'print "$1\n" if /^W\t[^\t]*\t[^\t]*\t(.*)$/' "$1"; }

# dump_window_shows FILE TITLE TEXT: some control of a window titled TITLE shows TEXT.
dump_window_shows() {
  perl -CSDA -e '
    my ($file, $title, $text) = @ARGV;
    my (%title_of, $found);
    open my $in, "<", $file or die;
    while (<$in>) {
      chomp;
      my @f = split /\t/, $_, 7;
      if ($f[0] eq "W") { $title_of{$f[1]} = $f[3]; next; }
      $found = 1 if $title_of{$f[1]} eq $title && $f[6] eq $text && $f[4] eq "1";
    }
    exit($found ? 0 : 1);
  ' "$1" "$2" "$3"
}

# --- Archives, self-extractors and files ---------------------------------------------

# pack OPTIONS ARCHIVE FOLDER NAME...: a level-2 archive by jlha, names in code page 932.
pack() {
  local options=$1 archive=$2 folder=$3
  shift 3
  rm -f "$archive"
  (cd "$folder" && LC_ALL=C.UTF-8 jlha "c2${options}y" "$archive" "$@" >/dev/null 2>&1)
  [ -s "$archive" ] || { echo "  jlha c2${options}y made no $archive" >&2; return 1; }
}

# Methods of an archive's members in order, one "METHOD NAME" per line (by lhasa).
archive_members() {
  LC_ALL=C lhasa v "$1" | sed -nE 's/^\[[^]]*\] +[0-9]+ +[0-9]+ +[^ ]+ +(-l..-) +[0-9a-f]{4} .{12} (.*)$/\1 \2/p'
}

# make_exe ARCHIVE OUT [make_sfx.py options...]
make_exe() {
  local archive=$1 out=$2
  shift 2
  python3 "$here/make_sfx.py" "$stub" "$archive" "$out" "$@"
}

# What the program shows for the output path of MEMBER under the Unix folder DEST: the
# destination's root (drive, colon, backslash) kept, every later separator a '/'.
output_path_of() {
  local path
  path=$(wine_path "$1")
  local rest=${path:3}
  printf '%s%s/%s' "${path:0:3}" "${rest//\\//}" "$2"
}

mtime() { stat -c %Y "$1" 2>/dev/null; }

# same_file SOURCE COPY: same bytes and the same modification time.
same_file() {
  cmp -s "$1" "$2" || { echo "  $2 differs from $1 (or is missing)" >&2; return 1; }
  equals "$(mtime "$2")" "$(mtime "$1")"
}

# same_tree SOURCE COPY [IGNORED_NAME...]: every file of SOURCE is in COPY with its bytes and
# time, every folder of SOURCE is there, and COPY holds nothing else but the ignored names.
same_tree() {
  local source=$1 copy=$2 entry result=0
  shift 2
  local expected actual
  expected=$(cd "$source" && find . -mindepth 1 | LC_ALL=C sort)
  actual=$(cd "$copy" && find . -mindepth 1 | LC_ALL=C sort)
  for entry in "$@"; do
    expected=$(grep -vxF "./$entry" <<<"$expected")
    actual=$(grep -vxF "./$entry" <<<"$actual")
  done
  if [ "$expected" != "$actual" ]; then
    echo "  entries differ: $(diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' | head -5 | tr '\n' ' ')" >&2
    return 1
  fi
  while IFS= read -r -d '' entry; do
    [[ " $* " == *" ${entry#./} "* ]] && continue
    same_file "$source/$entry" "$copy/$entry" || result=1
  done < <(cd "$source" && find . -type f -print0)
  return "$result"
}

# never_appears PATH: PATH must still be missing at the end of the run, when anything that
# the program might have started has had ample time to write it.
never_appears() {
  never_paths+=("$1")
  never_cases+=("$case_name")
}

check_never_paths() {
  local i
  for i in "${!never_paths[@]}"; do
    case_name=${never_cases[$i]}
    check "nothing wrote ${never_paths[$i]#"$work"/} (checked at the end of the run)" \
      test ! -e "${never_paths[$i]}"
  done
}

# Exactly these message box texts were shown by the current program, in this order.
expect_boxes() {
  local -a texts
  mapfile -d '' texts < <(msgbox_texts)
  local got expected
  got=$(printf '[%s]' "${texts[@]}")
  expected=$(printf '[%s]' "$@")
  [ "$#" = 0 ] && expected=
  [ "${#texts[@]}" = 0 ] && got=
  equals "$got" "$expected"
}

# Ends the programs that this run's commands started, by id: those whose command line names
# a file under $work, in its Unix or its Windows form.
kill_strays() {
  local proc pid line windows_work
  windows_work=$(wine_path "$work")
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$pid" = "$$" ] && continue
    { line=$(tr '\0' ' ' <"$proc/cmdline"); } 2>/dev/null || continue
    [[ "$line" == *"$work/"* || "$line" == *"$windows_work\\"* ]] || continue
    echo "  ending a stray process $pid: $line" >&2
    kill "$pid" 2>/dev/null || true
  done
}

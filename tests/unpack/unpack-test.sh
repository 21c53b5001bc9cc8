#!/bin/bash
# End-to-end tests of kolvane-unpack, one group of cases per run:
#   unpack-test.sh GROUP UNPACK CRAFT_ARCHIVE [STUB]
# GROUP: usage, oracle, questions, damage, safety or full_disk. STUB is the real stub from the
# Windows build; the cases that wrap archives into self-extractors also use it when it exists.
set -uo pipefail
group=$1 unpack=$2 craft=$3 stub=${4:-}
# shellcheck source=../support/tool-test-lib.sh
source "$(dirname "$0")/../support/tool-test-lib.sh" unpack-test

# run ARGS...: runs the binary without a terminal; leaves $rc, $work/out and $work/err.
run() {
    "$unpack" "$@" >"$work/out" 2>"$work/err" </dev/null
    rc=$?
}

# on_terminal INPUT ARGS...: runs the binary on a pseudo-terminal fed with INPUT. The
# command is exec'd so the binary itself leads the terminal's process group: a shell
# left in between (dash does not exec its last command) dies of Ctrl-C with code 130.
on_terminal() {
    local input=$1 command
    shift
    printf -v command '%q ' "$unpack" "$@"
    printf '%b' "$input" | script -qefc "exec $command" /dev/null >"$work/out" 2>&1
    rc=$?
}

# The failure cases: exactly one line on stderr, from the tool, holding TEXT.
expect_one_message() { # CASE TEXT
    local lines
    lines=$(wc -l <"$work/err")
    [ "$lines" = 1 ] || fail "$1: $lines lines on stderr: $(cat "$work/err")"
    grep -q '^kolvane-unpack: ' "$work/err" || fail "$1: message not from the tool: $(cat "$work/err")"
    grep -qF -- "$2" "$work/err" || fail "$1: message lacks '$2': $(cat "$work/err")"
}

# What a folder holds, one path per line, sorted; empty folders included.
tree_of() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }

expect_tree() { # CASE FOLDER EXPECTED-LISTING
    local actual
    actual=$(tree_of "$2")
    [ "$actual" = "$3" ] || fail "$1: $2 holds [$actual], expected [$3]"
}

jlha_archive() { # OPTIONS ARCHIVE FOLDER: a level-2 archive with code page 932 names
    # shellcheck disable=SC2035  # jlha stores the names as given; none starts with a dash
    (cd "$3" && LC_ALL=C.UTF-8 jlha "c2${1}y" "$2" * >/dev/null 2>&1) || fail "jlha c2${1}y failed"
    [ -s "$2" ] || fail "jlha made no archive $2"
}

# Self-extractors around ARCHIVE: the fake stub, and the real one when it was built.
wrap() { # ARCHIVE PREFIX [KEY=VALUE...]
    local archive=$1 prefix=$2
    shift 2
    "$craft" sfx - "$archive" "$prefix-fake.exe" "$@" || fail "craft sfx"
    echo "$prefix-fake.exe"
    if [ -f "$stub" ]; then
        "$craft" sfx "$stub" "$archive" "$prefix-real.exe" "$@" || fail "craft sfx with the stub"
        echo "$prefix-real.exe"
    fi
}

# Names and sizes of `lhasa v`, then of our -l, in lhasa's form: code page 932 bytes with
# every byte above 0x7F shown as '?'.
lhasa_members() {
    lhasa v "$1" | LC_ALL=C sed -nE \
        's/^\[[^]]*\] +[0-9]+ +([0-9]+) +[^ ]+ +-l..- +[0-9a-f]{4} .{12} (.*)$/\1 \2/p'
}
our_members() {
    "$unpack" -l "$1" | sed -nE \
        's/^ *([0-9]+) +[0-9]+ +[^ ]+ +-l..- +[0-9A-F]{4} [-0-9]{10} [:0-9]{8} (.*)$/\1 \2/p' |
        iconv -f UTF-8 -t CP932 | LC_ALL=C sed 's/[\x80-\xff]/?/g'
}

make_source_tree() { # FOLDER
    local f=$1
    mkdir -p "$f/docs/日本語" "$f/bin" "$f/with space" "$f/empty folder" "$f/a/b/c"
    cp /usr/share/common-licenses/GPL-3 "$f/docs/GPL-3"
    printf 'ソフト表示\r\n' >"$f/docs/日本語/ソフト表示.txt" # trail bytes 0x5C in code page 932
    printf 'hello\n' >"$f/with space/read me.txt"
    : >"$f/a/b/c/empty"
    head -c 150000 /bin/bash >"$f/bin/part-of-bash"
    cat /bin/ls /bin/cp /bin/mv /usr/share/common-licenses/GPL-2 | head -c 600000 >"$f/bin/mixed"
    head -c 70000 /dev/zero >"$f/zeros"
    touch -d '2001-02-03 04:05:06' "$f/docs/GPL-3" "$f/bin/mixed"
    touch -d '1999-12-31 23:59:59' "$f/zeros"
}

test_usage() {
    run
    expect_rc "no FILE" 2
    expect_text "no FILE" "$work/err" "no FILE given"
    run -x archive.lzh
    expect_rc "unknown option" 2
    expect_text "unknown option" "$work/err" "unknown option -x"
    run -l -t archive.lzh
    expect_rc "-l with -t" 2
    run -d
    expect_rc "-d without folder" 2
    run a.lzh b.lzh
    expect_rc "two FILEs" 2
    run --help
    expect_rc "--help" 0
    for code in "  0  success" "  1  " "  2  the command line" "  3  a question"; do
        expect_text "--help documents exit codes" "$work/out" "$code"
    done
    run --version
    expect_rc "--version" 0
    expect_text "--version" "$work/out" "Kolvane 95"
}

test_oracle() {
    make_source_tree "$work/tree"
    mkdir "$work/arc"
    local letter option archive exe count
    for letter in 0 5 6 7; do
        option=o$letter
        [ $letter = 0 ] && option=z
        archive=$work/arc/lh$letter.lzh
        jlha_archive "$option" "$archive" "$work/tree"
        grep -qF -- "-lh$letter-" <("$unpack" -l "$archive") || fail "-lh$letter-: method not listed"
        [ "$(our_members "$archive")" = "$(lhasa_members "$archive")" ] ||
            fail "-lh$letter-: -l differs from lhasa v: $(diff <(our_members "$archive") <(lhasa_members "$archive"))"
        [ "$(lhasa_members "$archive" | wc -l)" -ge 10 ] || fail "-lh$letter-: lhasa lists too little"
        run -t "$archive"
        expect_rc "-t -lh$letter-" 0
        expect_text "-t -lh$letter-" "$work/out" "everything is intact"
        run -d "$work/x$letter" "$archive"
        expect_rc "extract -lh$letter-" 0
        expect_same_tree "extract -lh$letter-" "$work/tree" "$work/x$letter"
        count=0
        for exe in $(wrap "$archive" "$work/arc/lh$letter" title=テスト); do
            count=$((count + 1))
            run -l "$exe"
            expect_rc "-l self-extractor" 0
            expect_text "-l self-extractor" "$work/out" "title:   テスト"
            [ "$(our_members "$exe")" = "$(lhasa_members "$archive")" ] ||
                fail "-lh$letter- self-extractor: members differ from the plain archive"
            run -t "$exe"
            expect_rc "-t self-extractor -lh$letter-" 0
            run -q -d "$work/s$letter-$count" "$exe"
            expect_rc "extract self-extractor -lh$letter-" 0
            [ -s "$work/out" ] && fail "-q printed: $(cat "$work/out")"
            expect_same_tree "self-extractor -lh$letter-" "$work/tree" "$work/s$letter-$count"
        done
    done
    # A file that is neither kind, and one whose "MZ" image points at no archive.
    head -c 5000 /bin/ls >"$work/arc/not-an-archive"
    run -t "$work/arc/not-an-archive"
    expect_rc "an executable that is no self-extractor" 1
    expect_one_message "an executable that is no self-extractor" "neither a self-extractor nor an LZH archive"
    # A level-1 archive is named as such.
    (cd "$work/tree" && LC_ALL=C.UTF-8 jlha c1 "$work/arc/level1.lzh" zeros >/dev/null 2>&1)
    run -l "$work/arc/level1.lzh"
    expect_rc "level-1 archive" 1
    expect_one_message "level-1 archive" "level-1 headers"
}

# An archive whose first member "!" is a notice, then one file.
notice_archive() { # OUT
    "$craft" lzh "$work/notice.lzh" 'file:!:ご注意ください。\x0d\x0a同意しますか?' 'file:docs/a.txt:text a' ||
        fail "craft"
    "$craft" sfx - "$work/notice.lzh" "$1" title=お知らせ || fail "craft sfx"
}

test_questions() {
    local exe=$work/notice.exe
    notice_archive "$exe"
    mkdir "$work/d"
    run -d "$work/d" "$exe"
    expect_rc "notice without a terminal" 3
    expect_text "notice without a terminal" "$work/err" "give -y to accept it"
    expect_text "notice shown" "$work/err" "ご注意ください。"
    expect_tree "notice without a terminal" "$work/d" ""
    run -n -d "$work/d" "$exe"
    expect_rc "-n does not answer the notice" 3
    run -t "$exe"
    expect_rc "-t asks nothing" 0
    run -y -d "$work/d" "$exe"
    expect_rc "-y accepts the notice" 0
    expect_tree "-y accepts the notice" "$work/d" "./docs
./docs/a.txt"

    # The file exists now: the overwrite question.
    echo changed >"$work/d/docs/a.txt"
    run -y -n -d "$work/d" "$exe"
    expect_rc "-n keeps" 0
    expect_text "-n keeps" "$work/d/docs/a.txt" "changed"
    run -y -d "$work/d" "$exe" # -y alone: no terminal, but both questions answered
    expect_rc "-y replaces" 0
    expect_text "-y replaces" "$work/d/docs/a.txt" "text a"
    echo changed >"$work/d/docs/a.txt"
    "$craft" lzh "$work/no-notice.lzh" 'file:docs/a.txt:text a'
    run -d "$work/d" "$work/no-notice.lzh"
    expect_rc "overwrite question without a terminal" 3
    expect_one_message "overwrite question without a terminal" "give -y to replace existing files or -n to keep them"
    expect_text "overwrite question without a terminal" "$work/d/docs/a.txt" "changed"

    # A self-extractor configured to replace files without asking does so, unless -n.
    "$craft" sfx - "$work/no-notice.lzh" "$work/replace.exe" flags=2 || fail "craft sfx"
    run -n -d "$work/d" "$work/replace.exe"
    expect_rc "-n against the configuration" 0
    expect_text "-n against the configuration" "$work/d/docs/a.txt" "changed"
    run -d "$work/d" "$work/replace.exe"
    expect_rc "replaced as configured" 0
    expect_text "replaced as configured" "$work/d/docs/a.txt" "text a"
    echo changed >"$work/d/docs/a.txt"

    # On a terminal.
    on_terminal 'n\n' -d "$work/d" "$exe"
    expect_rc "notice declined on the terminal" 3
    expect_text "notice declined on the terminal" "$work/out" "Accept it and extract?"
    on_terminal 'y\nn\n' -d "$work/d" "$exe"
    expect_rc "notice accepted, file kept" 0
    expect_text "file kept" "$work/d/docs/a.txt" "changed"
    expect_text "overwrite question" "$work/out" "replace $work/d/docs/a.txt?"
    on_terminal 'y\nq\n' -d "$work/d" "$exe"
    expect_rc "quit at the overwrite question" 3
    on_terminal 'y\ny\n' -d "$work/d" "$exe"
    expect_rc "replaced on the terminal" 0
    expect_text "replaced on the terminal" "$work/d/docs/a.txt" "text a"

    # Every existing file is one overwrite question; the memory they take does not add up.
    local members=() i
    for ((i = 0; i < 3000; i++)); do members+=("file:many/f$i:x"); done
    "$craft" lzh "$work/many.lzh" "${members[@]}" || fail "craft"
    mkdir "$work/m"
    run -d "$work/m" "$work/many.lzh"
    expect_rc "3000 new files" 0
    /usr/bin/time -f %M -o "$work/peak" "$unpack" -y -d "$work/m" "$work/many.lzh" \
        >"$work/out" 2>"$work/err" </dev/null
    rc=$?
    expect_rc "3000 overwrite questions" 0
    (($(cat "$work/peak") <= 4096)) || fail "3000 overwrite questions: peak $(cat "$work/peak") KiB"

    # Ctrl-C at a question, and SIGINT in the middle of a long member (4 GiB of zeros, a
    # hole in a sparse archive): Cancel is pressed and the run ends with exit code 3.
    local command
    printf -v command '%q ' "$unpack" -d "$work/d" "$exe"
    { printf 'y\n' && sleep 2 && printf '\x03'; } | script -qefc "exec $command" /dev/null >"$work/out" 2>&1
    rc=$?
    expect_rc "Ctrl-C at the overwrite question" 3
    expect_text "Ctrl-C at the overwrite question" "$work/out" "interrupted"
    "$craft" lzh "$work/long.lzh" 'zeros:long:0xFFFFFFFF' || fail "craft"
    "$unpack" -t "$work/long.lzh" >"$work/out" 2>"$work/err" </dev/null &
    local pid=$!
    sleep 0.5
    kill -INT "$pid"
    wait "$pid"
    rc=$?
    expect_rc "SIGINT during a long member" 3
    expect_one_message "SIGINT during a long member" "interrupted"
}

# Inverts the byte at OFFSET.
flip() { # FILE OFFSET
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf '%b' "\\x$(printf %02x $((byte ^ 0xFF)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}

# The offset halfway through the data of the member named NAME: its header begins two
# bytes before the last method id ahead of the name, and holds its size and packed size.
data_middle() { # ARCHIVE NAME
    local name_at method_at start header_size packed
    name_at=$(grep -abo "$2" "$1" | head -1 | cut -d: -f1)
    method_at=$(head -c "$name_at" "$1" | grep -abo -- '-lh.-' | tail -1 | cut -d: -f1)
    start=$((method_at - 2))
    header_size=$(od -An -tu2 -j "$start" -N2 "$1" | tr -d ' ')
    packed=$(od -An -tu4 -j $((start + 7)) -N4 "$1" | tr -d ' ')
    echo $((start + header_size + packed / 2))
}

test_damage() {
    make_source_tree "$work/tree"
    mkdir "$work/arc"
    jlha_archive o5 "$work/arc/good.lzh" "$work/tree"
    local size exe name
    size=$(stat -c %s "$work/arc/good.lzh")
    head -c $((size / 2)) "$work/arc/good.lzh" >"$work/arc/truncated.lzh"
    cp "$work/arc/good.lzh" "$work/arc/data.lzh"
    flip "$work/arc/data.lzh" "$(data_middle "$work/arc/data.lzh" mixed)"
    cp "$work/arc/good.lzh" "$work/arc/header.lzh"
    flip "$work/arc/header.lzh" 12 # the first header's original size
    for name in truncated data header; do
        for exe in "$work/arc/$name.lzh" $(wrap "$work/arc/$name.lzh" "$work/arc/$name"); do
            run -t "$exe"
            expect_rc "-t $name damage" 1
            expect_one_message "-t $name damage" ""
            mkdir -p "$work/box/dest"
            run -d "$work/box/dest" "$exe"
            expect_rc "extract $name damage" 1
            expect_one_message "extract $name damage" ""
            [ "$(ls "$work/box")" = dest ] || fail "$name damage: wrote beside the folder"
            rm -rf "$work/box"
        done
    done
    run -t "$work/arc/header.lzh"
    expect_text "damaged header" "$work/err" "ﾍｯﾀﾞｰの内容が不正です (invalid member header)"
    run -l "$work/arc/truncated.lzh"
    expect_rc "-l truncated" 1
    expect_text "-l truncated" "$work/err" "runs past the end of the file"

    # The notice's CRC, which the program itself never compares, is checked by -t.
    "$craft" lzh "$work/n.lzh" 'file:!:notice text' 'file:a.txt:a'
    flip "$work/n.lzh" "$(grep -abo 'notice text' "$work/n.lzh" | cut -d: -f1)"
    run -t "$work/n.lzh"
    expect_rc "damaged notice" 1
    expect_one_message "damaged notice" 'the notice member "!": CRC ｴﾗｰ'

    # A notice whose data runs past the end of the file: a test and an extraction both fail.
    "$craft" lzh "$work/cut.lzh" 'file:!:notice text'
    truncate -s -3 "$work/cut.lzh"
    for exe in "$work/cut.lzh" $(wrap "$work/cut.lzh" "$work/cut"); do
        run -t "$exe"
        expect_rc "-t notice past the end" 1
        expect_one_message "-t notice past the end" "runs past the end of the file"
        run -y -d "$work/cut-out" "$exe"
        expect_rc "extracting a notice past the end" 1
        expect_one_message "extracting a notice past the end" "runs past the end of the file"
    done

    # Files that cannot be read.
    run -t "$work/missing.lzh"
    expect_rc "missing file" 1
    expect_one_message "missing file" "No such file or directory"
    run -t "$work/arc"
    expect_rc "a folder" 1
    expect_one_message "a folder" "Is a directory"
    cp "$work/arc/good.lzh" "$work/locked.lzh"
    chmod 000 "$work/locked.lzh"
    if [ "$(id -u)" = 0 ]; then
        chmod 755 "$work"
        setpriv --reuid=65534 --regid=65534 --clear-groups "$unpack" -t "$work/locked.lzh" \
            >"$work/out" 2>"$work/err" </dev/null
        rc=$?
    else
        run -t "$work/locked.lzh"
    fi
    expect_rc "unreadable file" 1
    expect_one_message "unreadable file" "Permission denied"
}

test_safety() {
    mkdir -p "$work/box/dest" "$work/box/outside"
    local case member
    # Server and climbing paths: refused before anything is written, even the good member.
    for member in "//kolvane-unpack-absolute-$$/x" '\x5c\x5cserver\x5cshare\x5cx' "../escaped" \
        "a/../../escaped" 'a\x5c..\x5c..\x5cescaped'; do
        "$craft" lzh "$work/bad.lzh" 'file:first.txt:1' "file:$member:evil" || fail "craft"
        for case in "$work/bad.lzh" $(wrap "$work/bad.lzh" "$work/bad"); do
            run -d "$work/box/dest" "$case"
            expect_rc "member $member" 1
            expect_one_message "member $member" "nothing was extracted"
            expect_tree "member $member" "$work/box" "./dest
./outside"
            run -t "$case"
            expect_rc "-t member $member" 1
        done
    done
    [ -e "/kolvane-unpack-absolute-$$" ] && fail "absolute member written at the root"
    # A path from the drive's root goes below DIR, which stands for that root.
    "$craft" lzh "$work/root.lzh" 'file:first.txt:1' 'file:\x5croot\x5cx:2' 'file:/y:3'
    run -q -d "$work/box/dest" "$work/root.lzh"
    expect_rc "member from the root" 0
    expect_tree "member from the root" "$work/box" "./dest
./dest/first.txt
./dest/root
./dest/root/x
./dest/y
./outside"
    rm -rf "$work/box/dest" && mkdir "$work/box/dest"

    # A symbolic link in the folder is never followed out of it.
    ln -s "$work/box/outside" "$work/box/dest/link"
    "$craft" lzh "$work/link.lzh" 'file:link/x:evil'
    run -d "$work/box/dest" "$work/link.lzh"
    expect_rc "through a symbolic link" 1
    expect_one_message "through a symbolic link" "is a symbolic link, which is never followed"
    expect_tree "through a symbolic link" "$work/box/outside" ""
    echo original >"$work/box/outside/file"
    ln -s "$work/box/outside/file" "$work/box/dest/file"
    "$craft" lzh "$work/file.lzh" 'file:file:evil'
    run -y -d "$work/box/dest" "$work/file.lzh"
    expect_rc "onto a symbolic link" 1
    expect_text "onto a symbolic link" "$work/box/outside/file" "original"
    rm "$work/box/dest/link" "$work/box/dest/file" "$work/box/outside/file"

    # A name that is not code page 932 text: listed with escapes, never extracted.
    "$craft" lzh "$work/name.lzh" 'file:good.txt:1' 'file:bad\x80\x1bname.txt:2'
    run -l "$work/name.lzh"
    expect_rc "-l odd name" 0
    expect_text "-l odd name" "$work/out" 'bad\x80\x1Bname.txt'
    run -d "$work/box/dest" "$work/name.lzh"
    expect_rc "odd name" 1
    expect_one_message "odd name" 'member "bad\x80\x1Bname.txt" has a name that is not code page 932 text'
    expect_tree "odd name" "$work/box/dest" ""

    # The configured command is shown, never run.
    "$craft" lzh "$work/cmd.lzh" 'file:setup.sh:echo ran'
    "$craft" sfx - "$work/cmd.lzh" "$work/cmd.exe" "command=touch $work/box/ran" || fail "craft"
    run -l "$work/cmd.exe"
    expect_text "-l shows the command" "$work/out" "command: touch $work/box/ran"
    run -d "$work/box/dest" "$work/cmd.exe"
    expect_rc "configured command" 0
    expect_text "configured command" "$work/err" "it was not run"
    [ -e "$work/box/ran" ] && fail "the configured command ran"

    # Attributes: restored when a self-extractor's flags ask for it, never for plain archives.
    "$craft" lzh "$work/ro.lzh" 'rofile:ro.txt:x'
    "$craft" sfx - "$work/ro.lzh" "$work/ro-kept.exe" flags=1
    "$craft" sfx - "$work/ro.lzh" "$work/ro-dropped.exe" flags=0
    for case in ro-kept.exe:-r--r--r-- ro-dropped.exe:-rw-r--r-- ro.lzh:-rw-r--r--; do
        run -d "$work/attr-${case%%:*}" "$work/${case%%:*}"
        expect_rc "attributes of ${case%%:*}" 0
        [ "$(stat -c %A "$work/attr-${case%%:*}/ro.txt")" = "${case#*:}" ] ||
            fail "attributes of ${case%%:*}: $(stat -c %A "$work/attr-${case%%:*}/ro.txt")"
    done
}

test_full_disk() {
    mkdir -p "$work/small"
    if ! mount -t tmpfs -o size=256k tmpfs "$work/small" 2>"$work/err"; then
        echo "SKIPPED [full_disk]: cannot mount a small tmpfs here: $(cat "$work/err")"
        return
    fi
    head -c 100000 /dev/zero >"$work/fits"
    head -c 1000000 /dev/urandom >"$work/big"
    mkdir "$work/src" && mv "$work/fits" "$work/big" "$work/src/"
    jlha_archive o5 "$work/full.lzh" "$work/src"
    run -d "$work/small/dest" "$work/full.lzh"
    expect_rc "full disk" 1
    expect_one_message "full disk" "書き込みｴﾗｰ (write error)"
    [ -e "$work/small/dest/big" ] && fail "full disk: the partial file stayed"
}

case $group in
usage | oracle | questions | damage | safety | full_disk) "test_$group" ;;
*)
    echo "unknown group $group"
    exit 2
    ;;
esac
[ "$failures" = 0 ] && echo "PASS [$group]"
[ "$failures" = 0 ]

#!/bin/bash
# End-to-end tests of kolvane-make, one group of cases per run:
#   make-test.sh GROUP MAKE UNPACK [STUB]
# GROUP: usage, roundtrip, refusals, interrupted, from_archive, archive_classes, determinism or
# elevation. UNPACK is kolvane-unpack, the program's own code on the host; STUB is the real stub
# of the Windows build, used beside a fake one when it exists (elevation needs it). lhasa and
# 7-Zip check every archive independently.
set -uo pipefail
export TZ=UTC
group=$1 make=$2 unpack=$3 real_stub=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/tool-test-lib.sh
source "$(dirname "$0")/../support/tool-test-lib.sh" make-test

check() { # CASE COMMAND...: the command must succeed
    local name=$1
    shift
    checks=$((checks + 1))
    "$@" >"$work/check.out" 2>&1 || fail "$name: $* failed: $(head -5 "$work/check.out")"
}

# run ARGS...: runs kolvane-make; leaves $rc, $work/out and $work/err.
run() {
    "$make" "$@" >"$work/out" 2>"$work/err" </dev/null
    rc=$?
    checks=$((checks + 1))
}

# The fake stub: 2048 bytes, "MZ", the marker at 0x24, zeros elsewhere.
fake_stub() { # OUT
    head -c 2048 /dev/zero >"$1"
    printf 'MZ' | dd of="$1" conv=notrunc status=none
    printf 'Kolvane95 ' | dd of="$1" bs=1 seek=36 conv=notrunc status=none
}

stubs() {
    fake_stub "$work/fake.exe"
    echo "$work/fake.exe"
    [ -f "$real_stub" ] && echo "$real_stub"
}

# The archive part of a self-extractor, from the offset its configuration block names.
archive_of() { # EXE OUT
    local offset
    offset=$(od -An -tu4 -j512 -N4 "$1" | tr -d ' ')
    tail -c +$((offset + 1)) "$1" >"$2"
}

config_value() { # EXE FIELD
    python3 "$here/lzh_tool.py" config "$1" | sed -n "s/^$2=//p"
}

# Files byte for byte and with the same modification times (folders are not compared:
# writing into them changes their times), and the same set of folders.
# Compressible text of exactly SIZE bytes.
text_of_size() { # SIZE OUT
    seq -f 'line %g of the generated text, with some words repeated' 1 100000 | head -c "$1" >"$2"
}

# Even seconds throughout: level-0 and level-1 headers keep MS-DOS times. DEPTH folders
# nest in deep/ (level-0 headers hold paths of about 230 bytes at most).
make_tree() { # FOLDER [DEPTH]
    local f=$1 size deep level
    mkdir -p "$f/docs/日本語" "$f/empty folder" "$f/bin" "$f/sizes" "$f/with space"
    cp /usr/share/common-licenses/GPL-3 "$f/docs/GPL-3"
    printf 'ソフト表示\r\n' >"$f/docs/日本語/ソフト表示.txt" # trail bytes 0x5C in code page 932
    printf 'README in capitals\n' >"$f/docs/README.TXT"
    printf 'hello\n' >"$f/with space/read me.txt"
    head -c 150000 /bin/bash >"$f/bin/part-of-bash"
    head -c 70000 /dev/urandom >"$f/bin/random"
    : >"$f/empty"
    for size in 8191 8192 8193 65535 65536 65537; do
        text_of_size "$size" "$f/sizes/$size.txt"
    done
    deep=$f/deep
    for level in $(seq "${2:-20}"); do
        deep=$deep/level$level
    done
    mkdir -p "$deep/空"
    printf 'deep\n' >"$deep/空/file.txt"
    printf 'read only\n' >"$f/docs/read-only.txt"
    chmod 444 "$f/docs/read-only.txt"
    find "$f" -type f -exec touch -d '2001-02-03 04:05:06' {} +
    touch -d '1999-12-31 23:59:58' "$f/bin/random" "$f/sizes/65536.txt"
}

# Member paths in the order kolvane-make promises: each folder's names sorted bytewise,
# a folder before its contents.
expected_order() { # FOLDER [PREFIX]
    local name
    while IFS= read -r name; do
        if [ -d "$1/$name" ]; then
            echo "${2:-}$name/"
            expected_order "$1/$name" "${2:-}$name/"
        else
            echo "${2:-}$name"
        fi
    done < <(find "$1" -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort)
}

test_usage() {
    run
    expect_rc "no arguments" 2
    expect_text "no arguments" "$work/err" "no output file given"
    run -o "$work/x.exe"
    expect_rc "no FOLDER" 2
    expect_text "no FOLDER" "$work/err" "no FOLDER given"
    run -o "$work/x.exe" --from-archive a.lzh "$work"
    expect_rc "FOLDER and --from-archive" 2
    run -o "$work/x.exe" "$work" "$work"
    expect_rc "two FOLDERs" 2
    run -o "$work/x.exe" --colour "$work"
    expect_rc "unknown option" 2
    expect_text "unknown option" "$work/err" "unknown option --colour"
    run -o "$work/x.exe" --method lh4 "$work"
    expect_rc "method lh4" 2
    expect_text "method lh4" "$work/err" "--method must be lh0, lh5, lh6 or lh7"
    run -o "$work/x.exe" --recompress "$work"
    expect_rc "--recompress without an archive" 2
    expect_text "--recompress without an archive" "$work/err" "--recompress goes with --from-archive"
    run -o "$work/x.exe" "$work" --title
    expect_rc "option without value" 2
    expect_text "option without value" "$work/err" "--title needs a value"
    [ -e "$work/x.exe" ] && fail "a usage error wrote the output"
    # The default stub: ../win/kolvane95.exe beside the program.
    mkdir -p "$work/build/host" "$work/build/win" "$work/tree"
    cp "$make" "$work/build/host/kolvane-make"
    printf 'x' >"$work/tree/a.txt"
    "$work/build/host/kolvane-make" -q -o "$work/x.exe" "$work/tree" 2>"$work/err"
    rc=$?
    expect_rc "no stub beside the program" 1
    expect_text "no stub beside the program" "$work/err" \
        "stub \"$work/build/win/kolvane95.exe\": cannot be read"
    fake_stub "$work/build/win/kolvane95.exe"
    "$work/build/host/kolvane-make" -q -o "$work/x.exe" "$work/tree" 2>"$work/err"
    rc=$?
    expect_rc "the stub beside the program" 0
    cmp -s -n 512 "$work/build/win/kolvane95.exe" "$work/x.exe" || fail "default stub not used"
    run --help
    expect_rc "--help" 0
    for text in "--from-archive" "--notice FILE" "--method lh0|lh5|lh6|lh7" "--recompress" "Symbolic links" \
        "  1  refused or failed"; do
        expect_text "--help" "$work/out" "$text"
    done
}

# Offsets of the bytes of the stub's image past the configuration block that differ in the
# copy, leaving out the PE checksum (the copy's is that of the whole file).
image_changes() { # STUB EXE
    local size pe=0
    size=$(stat -c %s "$1")
    [ "$(head -c 2 "$1")" = MZ ] && [ "$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')" -gt 0 ] &&
        pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    cmp -l "$1" "$2" -n "$size" 2>/dev/null | awk -v pe="$pe" '
        { at = $1 - 1 }
        at >= 1217 && !(pe && at >= pe + 88 && at < pe + 92) { print at }'
}

# One self-extractor of the tree per stub and method, checked field by field, then
# through lhasa, 7-Zip and the program's own code.
test_roundtrip() {
    make_tree "$work/tree"
    printf 'ご注意ください。\r\n続けますか?\r\n' >"$work/notice.txt"
    local files_total stub method exe lzh count=0 order
    files_total=$(find "$work/tree" -type f -printf '%s\n' | awk '{ total += $1 } END { print total }')
    order=$(expected_order "$work/tree")
    for stub in $(stubs); do
        for method in lh0 lh5 lh6 lh7; do
            count=$((count + 1))
            exe=$work/out$count.exe lzh=$work/out$count.lzh
            run -o "$exe" --stub "$stub" --method "$method" --title 'テスト 95' \
                --label 'インストール先:' --folder '%ProgramFilesDir%\テスト' \
                --message 'ようこそ' --command '"%ExtractDir%\setup.exe" /q' \
                --restore-attributes --notice "$work/notice.txt" "$work/tree"
            expect_rc "$method make" 0
            expect_text "$method listing" "$work/out" "docs/日本語/ソフト表示.txt"
            # The block, and the archive at a 512-byte boundary right after the image.
            python3 "$here/lzh_tool.py" config "$exe" >"$work/config"
            for line in 'title=テスト 95' 'label=インストール先:' \
                'folder=%ProgramFilesDir%\テスト' 'message=ようこそ' \
                'command="%ExtractDir%\setup.exe" /q' 'flags=1' "total=$files_total" \
                "archive_offset=$((($(stat -c %s "$stub") + 511) / 512 * 512))" 'last_byte=0'; do
                grep -qxF -- "$line" "$work/config" || fail "$method: no '$line' in $(cat "$work/config")"
            done
            cmp -s -n 512 "$stub" "$exe" || fail "$method: the DOS header was changed"
            [ -z "$(image_changes "$stub" "$exe")" ] ||
                fail "$method: the image after the block was changed"
            archive_of "$exe" "$lzh"
            check "$method headers" python3 "$here/lzh_tool.py" headers "$lzh"
            python3 "$here/lzh_tool.py" headers "$lzh" >"$work/headers"
            [ "$(cut -d' ' -f6- "$work/headers")" = "$(printf '!\n%s' "$order")" ] ||
                fail "$method: member order: $(diff <(cut -d' ' -f6- "$work/headers") <(printf '!\n%s\n' "$order") | head)"
            grep -qx -- '-lh0- 20 w [0-9]* [0-9]* !' "$work/headers" || fail "$method: notice member"
            grep -q -- '^-lhd- 10 w [0-9]* 0 empty folder/$' "$work/headers" || fail "$method: folder member"
            grep -q -- ' 21 w 981173106 10 docs/read-only.txt$' "$work/headers" || fail "$method: read-only file"
            grep -q -- ' 20 w 946684798 70000 bin/random$' "$work/headers" || fail "$method: time stamp"
            grep -q -- '^-lh0- 20 w [0-9]* 70000 bin/random$' "$work/headers" ||
                fail "$method: random data not stored"
            grep -q -- "^-${method}- 20 w [0-9]* 35149 docs/GPL-3\$" "$work/headers" ||
                fail "$method: text not packed with -$method-: $(grep GPL "$work/headers")"
            check "$method lhasa t" lhasa t "$lzh"
            check "$method 7zz t" 7zz t "$lzh"
            mkdir "$work/lhasa$count" "$work/unpack$count"
            (cd "$work/lhasa$count" && lhasa xq "$lzh") || fail "$method: lhasa x"
            python3 "$here/lzh_tool.py" utf8-names "$work/lhasa$count"
            [ "$(cat "$work/lhasa$count/!")" = "$(iconv -f UTF-8 -t CP932 "$work/notice.txt")" ] ||
                fail "$method: notice text"
            rm "$work/lhasa$count/!"
            expect_same_tree "$method lhasa x" "$work/tree" "$work/lhasa$count"
            check "$method unpack" "$unpack" -q -y -d "$work/unpack$count" "$exe"
            expect_same_tree "$method unpack" "$work/tree" "$work/unpack$count"
        done
    done
    # Symbolic links become copies of what they point to.
    mkdir -p "$work/links/real"
    printf 'target\n' >"$work/links/real/file.txt"
    ln -s real/file.txt "$work/links/file-link.txt"
    ln -s real "$work/links/folder-link"
    run -o "$work/links.exe" --stub "$work/fake.exe" "$work/links"
    expect_rc "links" 0
    check "links unpack" "$unpack" -q -d "$work/links-out" "$work/links.exe"
    for file in file-link.txt folder-link/file.txt real/file.txt; do
        if [ ! -f "$work/links-out/$file" ] || [ -L "$work/links-out/$file" ] ||
            [ "$(cat "$work/links-out/$file")" != target ]; then
            fail "links: $file not a copy"
        fi
    done
}

# Refusals: exit code 1, one message naming the problem, and the output folder still empty.
expect_refusal() { # CASE TEXT ARGS...
    local name=$1 text=$2
    shift 2
    rm -rf "$work/refused"
    mkdir "$work/refused"
    run -o "$work/refused/out.exe" --stub "$work/fake.exe" "$@"
    expect_rc "$name" 1
    [ "$(wc -l <"$work/err")" = 1 ] || fail "$name: $(wc -l <"$work/err") lines on stderr: $(cat "$work/err")"
    grep -q '^kolvane-make: ' "$work/err" || fail "$name: message not from the tool: $(cat "$work/err")"
    expect_text "$name" "$work/err" "$text"
    [ -z "$(ls -A "$work/refused")" ] || fail "$name: left behind: $(ls -A "$work/refused")"
}

expect_made() { # CASE ARGS...
    local name=$1
    shift
    rm -rf "$work/refused"
    mkdir "$work/refused"
    run -o "$work/refused/out.exe" --stub "$work/fake.exe" "$@"
    expect_rc "$name (accepted)" 0
}

tree_with() { # NAME CONTENT: a fresh folder holding one file
    rm -rf "$work/t"
    mkdir -p "$work/t/$(dirname "$1")"
    printf '%s' "$2" >"$work/t/$1"
}

test_refusals() {
    fake_stub "$work/fake.exe"
    mkdir "$work/ok"
    printf 'x' >"$work/ok/a.txt"
    # The stub.
    head -c 4096 /dev/zero >"$work/zeros.exe"
    expect_refusal "stub without MZ" 'no "MZ" at its start' --stub "$work/zeros.exe" "$work/ok"
    cp "$work/fake.exe" "$work/nomarker.exe"
    printf 'Other     ' | dd of="$work/nomarker.exe" bs=1 seek=36 conv=notrunc status=none
    expect_refusal "stub without marker" 'no "Kolvane95 " marker' --stub "$work/nomarker.exe" "$work/ok"
    cp "$work/fake.exe" "$work/used.exe"
    printf 'T' | dd of="$work/used.exe" bs=1 seek=516 conv=notrunc status=none
    expect_refusal "stub with a block" "configuration area is not empty" --stub "$work/used.exe" "$work/ok"
    expect_refusal "missing stub" "cannot be read" --stub "$work/none.exe" "$work/ok"
    head -c 1000 "$work/fake.exe" >"$work/short.exe"
    expect_refusal "short stub" "too short" --stub "$work/short.exe" "$work/ok"
    # Texts: the field width minus the terminator, counted in code page 932.
    expect_made "title of 50 bytes" --title "$(printf 'タ%.0s' $(seq 25))" "$work/ok"
    expect_refusal "title of 51 bytes" "--title: the text is 51 bytes in code page 932; the field holds at most 50" \
        --title "$(printf 'タ%.0s' $(seq 25))x" "$work/ok"
    expect_refusal "label of 41 bytes" "--label: the text is 41 bytes" --label "$(printf 'a%.0s' $(seq 41))" "$work/ok"
    expect_made "folder of 255 bytes" --folder "$(printf 'f%.0s' $(seq 255))" "$work/ok"
    expect_refusal "folder of 256 bytes" "--folder: the text is 256 bytes" --folder "$(printf 'f%.0s' $(seq 256))" "$work/ok"
    expect_refusal "message of 81 bytes" "--message: the text is 81 bytes" --message "$(printf 'm%.0s' $(seq 81))" "$work/ok"
    expect_refusal "command of 260 bytes" "--command: the text is 260 bytes" --command "$(printf 'c%.0s' $(seq 260))" "$work/ok"
    expect_refusal "title outside code page 932" "--title: the text cannot be written in code page 932" \
        --title 'smile 😀' "$work/ok"
    # Names.
    tree_with 'emoji 😀.txt' x
    expect_refusal "name outside code page 932" '"emoji 😀.txt": the name cannot be written in code page 932' "$work/t"
    tree_with 'a\b.txt' x
    expect_refusal "name with a backslash" '"a\b.txt": the name holds a backslash' "$work/t"
    tree_with 'price¥.txt' x
    expect_refusal "name with a yen sign" '"price¥.txt": the name holds a backslash' "$work/t"
    tree_with 'dir/Read.txt' x
    printf 'y' >"$work/t/dir/READ.TXT"
    expect_refusal "names differing in case" '"dir/READ.TXT" and "dir/Read.txt" would be the same file on Windows' "$work/t"
    tree_with 'wave〜.txt' x
    printf 'y' >"$work/t/wave～.txt"
    expect_refusal "names alike in code page 932" "would be the same file on Windows" "$work/t"
    # Names the self-extractor would write as one file, or as none, on Windows.
    local pair name
    for pair in 'a:b|a_b' 'a*b|a?b' 'a|a.' 'a|a ' 'ａ.txt|Ａ.txt' 'сл.txt|СЛ.TXT'; do
        tree_with "${pair%|*}" x
        printf 'y' >"$work/t/${pair#*|}"
        expect_refusal "names ${pair%|*} and ${pair#*|}" "would be the same file on Windows" "$work/t"
    done
    for name in CON nul.txt 'Com1 ' 'lpt9 .log' $'tab\there' sub/aux/a.txt; do
        tree_with "$name" x
        expect_refusal "name $name" "no file on Windows can have this name" "$work/t"
    done
    tree_with 'a+b' x
    printf 'y' | tee "$work/t/a_b" "$work/t/COM10" "$work/t/CONSOLE.txt" "$work/t/ａ.txt" >/dev/null
    expect_made "names Windows keeps apart" "$work/t"
    tree_with '!' 'not a notice'
    expect_refusal 'a file named "!"' '"!": only a notice' "$work/t"
    # Member paths of 271 bytes fit the self-extractor's buffer, 272 do not.
    tree_with "$(printf 'd%.0s' $(seq 200))/$(printf 'n%.0s' $(seq 70))" x
    expect_made "path of 271 bytes" "$work/t"
    tree_with "$(printf 'd%.0s' $(seq 200))/$(printf 'n%.0s' $(seq 71))" x
    expect_refusal "path of 272 bytes" "the path is 272 bytes in code page 932; a self-extractor takes at most 271" "$work/t"
    tree_with "$(printf 'd%.0s' $(seq 111))/$(printf '日%.0s' $(seq 80))" x
    expect_refusal "path of 272 bytes in double-byte characters" "the path is 272 bytes" "$work/t"
    # Files that cannot be packed.
    tree_with a.txt x
    truncate -s 4G "$work/t/huge"
    expect_refusal "file of 4 GiB" '"huge": files of 4 GiB or more cannot be packed' "$work/t"
    rm "$work/t/huge"
    touch -d '1969-12-31 00:00:00 UTC' "$work/t/a.txt"
    expect_refusal "time before 1970" '"a.txt": its modification time lies outside 1970 to 2106' "$work/t"
    tree_with a.txt x
    ln -s nowhere "$work/t/dangling"
    expect_refusal "dangling link" '"dangling": the symbolic link points to nothing' "$work/t"
    tree_with sub/a.txt x
    ln -s .. "$work/t/sub/loop"
    expect_refusal "link loop" '"sub/loop": the symbolic link leads back to a folder above it' "$work/t"
    tree_with a.txt x
    mkfifo "$work/t/pipe"
    expect_refusal "pipe" '"pipe": neither a file nor a folder' "$work/t"
    expect_refusal "missing folder" '"'"$work"'/none": cannot be read' "$work/none"
    expect_refusal "file as folder" "not a folder" "$work/ok/a.txt"
    # The notice.
    head -c 1023 /dev/zero | tr '\0' 'n' >"$work/notice"
    expect_made "notice of 1023 bytes" --notice "$work/notice" "$work/ok"
    printf 'n' >>"$work/notice"
    expect_refusal "notice of 1024 bytes" "the text is 1024 bytes in code page 932; a self-extractor shows at most 1023" \
        --notice "$work/notice" "$work/ok"
    : >"$work/notice"
    expect_refusal "empty notice" "the text is empty" --notice "$work/notice" "$work/ok"
    printf 'a\0b' >"$work/notice"
    expect_refusal "notice with NUL" "the text holds a NUL byte" --notice "$work/notice" "$work/ok"
    printf 'smile 😀' >"$work/notice"
    expect_refusal "notice outside code page 932" "characters that code page 932 cannot hold" \
        --notice "$work/notice" "$work/ok"
    expect_refusal "missing notice" 'notice "'"$work"'/none": cannot be read' --notice "$work/none" "$work/ok"
    # The output.
    mkdir "$work/ok/sub"
    cp "$work/fake.exe" "$work/ok/sub/old.exe"
    run -o "$work/ok/sub/old.exe" --stub "$work/fake.exe" "$work/ok"
    expect_rc "output inside the folder" 1
    expect_text "output inside the folder" "$work/err" "lies inside the folder being packed"
    cmp -s "$work/fake.exe" "$work/ok/sub/old.exe" || fail "output inside the folder: file changed"
    mkdir -p "$work/outdir/out.exe"
    run -o "$work/outdir/out.exe" --stub "$work/fake.exe" "$work/ok"
    expect_rc "output is a folder" 1
    expect_text "output is a folder" "$work/err" '"'"$work"'/outdir/out.exe": is a folder'
    run -o "$work/no-such-folder/out.exe" --stub "$work/fake.exe" "$work/ok"
    expect_rc "output folder missing" 1
    expect_text "output folder missing" "$work/err" "cannot be created"
}

# A run that fails or is ended half-way leaves neither the output nor its temporary file.
test_interrupted() {
    fake_stub "$work/fake.exe"
    mkdir "$work/src" "$work/target"
    head -c 1000000 /dev/urandom >"$work/src/random"
    mkdir -p "$work/small"
    if mount -t tmpfs -o size=256k tmpfs "$work/small" 2>"$work/err"; then
        run -o "$work/small/out.exe" --stub "$work/fake.exe" "$work/src"
        expect_rc "full disk" 1
        expect_text "full disk" "$work/err" "kolvane-make: \"$work/small/out.exe\": cannot be written: No space left on device"
        [ -z "$(ls -A "$work/small")" ] || fail "full disk: left behind: $(ls -A "$work/small")"
    else
        echo "SKIPPED [interrupted]: cannot mount a small tmpfs here: $(cat "$work/err")"
    fi
    # Ended by a signal while it compresses: polled until the temporary file appears.
    for i in $(seq 60); do text_of_size 1000000 "$work/src/text$i"; done
    local pid signal
    for signal in INT TERM HUP; do
        "$make" -q -o "$work/target/out.exe" --stub "$work/fake.exe" "$work/src" &
        pid=$!
        until [ -n "$(ls -A "$work/target")" ] || ! kill -0 "$pid" 2>/dev/null; do
            sleep 0.02
        done
        kill -s "$signal" "$pid"
        { wait "$pid"; } 2>/dev/null
        rc=$?
        checks=$((checks + 1))
        [ "$rc" -gt 128 ] || fail "SIG$signal: exit code $rc, expected death by the signal"
        [ -z "$(ls -A "$work/target")" ] || fail "SIG$signal: left behind: $(ls -A "$work/target")"
    done
}

jlha_archive() { # OPTIONS ARCHIVE FOLDER: code page 932 names, header level in OPTIONS
    # shellcheck disable=SC2035  # jlha stores the names as given; none starts with a dash
    (cd "$3" && LC_ALL=C.UTF-8 jlha "c${1}y" "$2" * >/dev/null 2>&1) || fail "jlha c${1}y failed"
    [ -s "$2" ] || fail "jlha made no archive $2"
}

# Methods, sizes and CRCs as lhasa lists them, in order.
lhasa_columns() {
    lhasa v "$1" | sed -nE 's/^\[[^]]*\] +([0-9]+ +[0-9]+) +[^ ]+ +(-l..- +[0-9a-f]{4}) .*$/\1 \2/p'
}

test_from_archive() {
    fake_stub "$work/fake.exe"
    make_tree "$work/tree" 8
    export TZ=Asia/Tokyo # level-0 and level-1 times are local times
    local level option archive exe count=0
    for level in 0 1 2; do
        for option in z o5 o6 o7; do
            count=$((count + 1))
            archive=$work/l$level$option.lzh exe=$work/l$level$option.exe
            jlha_archive "$level$option" "$archive" "$work/tree"
            run -o "$exe" --stub "$work/fake.exe" --title 'レベル' --from-archive "$archive"
            expect_rc "level $level $option" 0
            archive_of "$exe" "$work/repacked.lzh"
            check "level $level $option headers" python3 "$here/lzh_tool.py" headers "$work/repacked.lzh"
            [ "$(lhasa_columns "$archive")" = "$(lhasa_columns "$work/repacked.lzh")" ] ||
                fail "level $level $option: data changed: $(diff <(lhasa_columns "$archive") <(lhasa_columns "$work/repacked.lzh") | head -5)"
            check "level $level $option lhasa t" lhasa t "$work/repacked.lzh"
            check "level $level $option 7zz t" 7zz t "$work/repacked.lzh"
            mkdir "$work/x$count" "$work/u$count"
            (cd "$work/x$count" && lhasa xq "$work/repacked.lzh") || fail "level $level $option: lhasa x"
            python3 "$here/lzh_tool.py" utf8-names "$work/x$count"
            expect_same_tree "level $level $option lhasa x" "$work/tree" "$work/x$count"
            check "level $level $option unpack" "$unpack" -q -d "$work/u$count" "$exe"
            expect_same_tree "level $level $option unpack" "$work/tree" "$work/u$count"
        done
    done
    # A notice in front of an archive's members.
    printf 'お知らせ\n' >"$work/notice.txt"
    run -o "$work/n.exe" --stub "$work/fake.exe" --notice "$work/notice.txt" --from-archive "$work/l2o7.lzh"
    expect_rc "notice with --from-archive" 0
    archive_of "$work/n.exe" "$work/n.lzh"
    python3 "$here/lzh_tool.py" headers "$work/n.lzh" >"$work/headers"
    [ "$(head -1 "$work/headers" | cut -d' ' -f6)" = '!' ] ||
        fail "notice with --from-archive: not the first member"
    # Archives the self-extractor could not use.
    python3 "$here/lzh_tool.py" level0 "$work/lhx.lzh" -lhx- 'docs\old.txt'
    expect_refusal "method -lhx-" '"docs/old.txt": packed with -lhx-, which neither the self-extractor nor this program can expand' \
        --from-archive "$work/lhx.lzh"
    python3 "$here/lzh_tool.py" level0 "$work/up.lzh" -lh0- 'a/../../x'
    expect_refusal "path with .." "the member would be extracted outside" --from-archive "$work/up.lzh"
    python3 "$here/lzh_tool.py" level0 "$work/l4.lzh" -lh0- 'x' 4
    expect_refusal "level 4" "has level 4; only levels 0 to 3 exist" --from-archive "$work/l4.lzh"
    python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[15] ^= 0xFF
open(sys.argv[2], "wb").write(d)' "$work/l2o5.lzh" "$work/damaged.lzh" # the time stamp
    expect_refusal "damaged header" "damaged or truncated member header at offset 0" --from-archive "$work/damaged.lzh"
    python3 "$here/lzh_tool.py" level0 "$work/whole.lzh" -lh0- 'x.txt'
    head -c -3 "$work/whole.lzh" >"$work/cut.lzh" # the closing 0 byte and 2 bytes of data
    expect_refusal "truncated archive" "the archive ends inside the data of the member at offset 0" --from-archive "$work/cut.lzh"
    run -o "$work/ok.exe" --stub "$work/fake.exe" --notice "$work/notice.txt" --from-archive "$work/n.lzh"
    expect_rc 'a second notice' 1
    expect_text 'a second notice' "$work/err" '"!": only a notice, as the first member'
    expect_refusal "missing archive" "cannot be read" --from-archive "$work/none.lzh"
    expect_refusal "a stub" "a stub without an archive, not a self-extractor" --from-archive "$work/fake.exe"
    printf 'MZ' >"$work/program.exe"
    head -c 3000 /dev/zero >>"$work/program.exe"
    expect_refusal "another program" "a program, but not a Kolvane 95 self-extractor" \
        --from-archive "$work/program.exe"
}

# Archives as other archivers write them, one class per member, then archives that must be
# refused: every one is generated here.
test_archive_classes() {
    fake_stub "$work/fake.exe"
    local tool=$here/lzh_tool.py
    python3 "$tool" members "$work/classes.lzh" \
        'dir=subdir\xffsubdir2,name=hello.txt,data=no separator after the folder' \
        'level=3,dir=l3/,name=b.txt,data=level 3' \
        'level=1,dir=\\l1\xff,name=c.txt,data=level 1 from the root' \
        'level=0,name=\\l0\\d.txt,data=level 0 from the root' \
        'level=2,name=short.txt,data=chain past the header size,short=2' \
        'level=0,method=-lhd-' 'level=1,method=-lhd-,name=link|target' \
        'method=-lhd-,dir=in/,name=link|/etc/passwd' 'method=-lz4-,name=lz4.txt,data=stored' \
        'method=-lhd-,dir=l3/' 'name=short.txt,data=added later' 'method=-lhd-,dir=l3/' \
        'level=0,name=note.txt\x00a comment,data=a name with a comment'
    run -o "$work/classes.exe" --stub "$work/fake.exe" --from-archive "$work/classes.lzh"
    expect_rc "classes" 0
    for text in '"link": a symbolic link (to "target"), left out' \
        '"in/link": a symbolic link (to "/etc/passwd"), left out' \
        'the folder entry at offset' 'separator is dropped' \
        '"short.txt" is in the archive more than once; the last one is taken'; do
        expect_text "classes" "$work/err" "$text"
    done
    [ "$(grep -c 'separator is dropped' "$work/err")" = 1 ] || fail "classes: one line per archive"
    check "classes unpack" "$unpack" -q -d "$work/classes" "$work/classes.exe"
    (cd "$work/classes" && find . -mindepth 1 | LC_ALL=C sort) >"$work/found"
    printf '%s\n' . ./in ./l0 ./l0/d.txt ./l1 ./l1/c.txt ./l3 ./l3/b.txt ./lz4.txt ./note.txt ./short.txt \
        ./subdir ./subdir/subdir2 ./subdir/subdir2/hello.txt | tail -n +2 >"$work/wanted"
    diff "$work/wanted" "$work/found" >/dev/null || fail "classes: $(diff "$work/wanted" "$work/found")"
    [ "$(cat "$work/classes/subdir/subdir2/hello.txt")" = "no separator after the folder" ] ||
        fail "classes: hello.txt holds $(cat "$work/classes/subdir/subdir2/hello.txt")"
    [ "$(cat "$work/classes/short.txt")" = "added later" ] || fail "classes: not the last short.txt"

    refuse_members() { # CASE TEXT MEMBER...
        local name=$1 text=$2
        shift 2
        python3 "$tool" members "$work/refused.lzh" "$@"
        expect_refusal "$name" "$text" --from-archive "$work/refused.lzh"
    }
    refuse_members "wrong CRC" '"x.txt" (-lh0-): the data fails its CRC check (1234 in the header' \
        'name=x.txt,data=abc,crc=1234'
    refuse_members "200 MB from 10 bytes" '"big": stored (-lh0-), yet 200000000 bytes are claimed from 10' \
        'name=big,data=0123456789,original=200000000'
    refuse_members "undecodable data" '"bad" (-lh5-): the data cannot be expanded' \
        'name=bad,method=-lh5-,data=\xff\xff\xff\xff\xff\xff\xff\xff,original=100'
    refuse_members "200 MB from 10 zero bytes" '"zeros" (-lh5-): the data runs out before the member is complete' \
        'name=zeros,method=-lh5-,data=\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00,original=200000000,crc=0000'
    python3 "$tool" members "$work/inner.lzh" 'name=hidden.txt,data=hidden'
    refuse_members "member inside another" '"a.txt": stored (-lh0-), yet 6 bytes are claimed' \
        "name=a.txt,original=6,data=a.txt\n$(od -An -v -tx1 "$work/inner.lzh" | tr -d ' \n' | sed 's/../\\x&/g')"
    refuse_members "folder with data" '"d/": a folder entry that claims 3 bytes of data' \
        'method=-lhd-,dir=d/,data=abc'
    refuse_members "file and folder" '"subdir" is a file, but "subdir/subdir2/hello.txt" lies in a folder' \
        'name=subdir,data=x' 'dir=subdir/subdir2/,name=hello.txt,data=y'
    local long pair
    long=$(printf 'n%.0s' $(seq 255))
    for pair in 'a\x81|a' 'C:evil|C_evil' "${long}xxxxxxxxx|${long}yyyyyyyyy"; do
        refuse_members "members ${pair:0:16}" "would be the same file on Windows" \
            "name=${pair%|*},data=x" "name=${pair#*|},data=y"
    done
    refuse_members "member PRN.txt" '"PRN.txt": no file on Windows can have this name' 'name=PRN.txt,data=x'
    refuse_members "chain past the header, then nothing" 'damaged or truncated member header at offset 0' \
        'name=a,data=x,short=2' 'level=0,name=b,data=y,method=?????'
    : >"$work/empty.lzh"
    expect_refusal "empty file" "the file is empty" --from-archive "$work/empty.lzh"
    head -c 1000 /dev/zero >"$work/zeros.lzh"
    expect_refusal "1000 zero bytes" "holds no member" --from-archive "$work/zeros.lzh"
    cp "$work/classes.exe" "$work/past.exe"
    printf '\x00\x00\x01\x00' | dd of="$work/past.exe" bs=1 seek=512 conv=notrunc status=none
    expect_refusal "archive offset past the end" "lies at or past the end of the file" --from-archive "$work/past.exe"

    # Every member packed again: smaller, and the same files. The large one is packed by the
    # writer itself, the others ahead of it.
    make_tree "$work/tree" 2
    seq 1 1500000 >"$work/tree/large.txt"
    touch -d '2001-02-03 04:05:06' "$work/tree/large.txt"
    jlha_archive 2o5 "$work/lh5.lzh" "$work/tree"
    run -o "$work/re.exe" --stub "$work/fake.exe" --recompress --from-archive "$work/lh5.lzh"
    expect_rc "--recompress" 0
    expect_text "--recompress" "$work/out" "expanded and packed again with -lh7-: "
    archive_of "$work/re.exe" "$work/re.lzh"
    python3 "$tool" headers "$work/re.lzh" | grep -q -- -lh5- && fail "--recompress: -lh5- members left"
    [ "$(stat -c %s "$work/re.lzh")" -lt "$(stat -c %s "$work/lh5.lzh")" ] || fail "--recompress: no smaller"
    check "--recompress unpack" "$unpack" -q -d "$work/re" "$work/re.exe"
    expect_same_tree "--recompress" "$work/tree" "$work/re"
}

test_determinism() {
    make_tree "$work/tree"
    printf 'notice\n' >"$work/notice.txt"
    local stub
    for stub in $(stubs); do
        run -q -o "$work/a.exe" --stub "$stub" --title t --notice "$work/notice.txt" "$work/tree"
        expect_rc "first run" 0
        [ -s "$work/out" ] && fail "-q printed: $(cat "$work/out")"
        sleep 1
        cp -a "$work/tree" "$work/copy" # same contents and times, other inodes and folder
        run -q -o "$work/b.exe" --stub "$stub" --title t --notice "$work/notice.txt" "$work/copy"
        expect_rc "second run" 0
        check "same bytes" cmp "$work/a.exe" "$work/b.exe"
        rm -rf "$work/copy"
        # The same archive made again from a self-extractor's own members.
        archive_of "$work/a.exe" "$work/a.lzh"
        run -q -o "$work/c.exe" --stub "$stub" --title t --from-archive "$work/a.lzh"
        expect_rc "from its own archive" 0
        check "same bytes from its own archive" cmp "$work/a.exe" "$work/c.exe"
        run -q -o "$work/d.exe" --stub "$stub" --title t --from-archive "$work/a.exe"
        expect_rc "from the self-extractor itself" 0
        check "same bytes from the self-extractor itself" cmp "$work/a.exe" "$work/d.exe"
    done
    # A file of several segments, which the writer has compressed by threads at once: the
    # same bytes from run to run, and lhasa expands them.
    mkdir "$work/large"
    for _ in 1 2 3; do
        text_of_size 3000000 /dev/stdout
        head -c 1000000 /bin/bash
    done >"$work/large/large.bin"
    for out in e f; do
        run -q -o "$work/$out.exe" --stub "$(stubs | head -1)" "$work/large"
        expect_rc "large file" 0
    done
    check "same bytes for the large file" cmp "$work/e.exe" "$work/f.exe"
    archive_of "$work/e.exe" "$work/e.lzh"
    check "large file: lhasa t" lhasa t "$work/e.lzh"
}

# The stub's manifest, then a self-extractor for each --elevation: its manifest stays
# well-formed with the level asked for, nothing moves (only the level's slot and the
# checksum differ from the default), the checksum is that of the whole file, and
# kolvane-unpack -l shows the level. A stub without a manifest takes no level.
test_elevation() {
    [ -f "$real_stub" ] || { fail "the stub $real_stub is missing (make win)"; return; }
    manifest_of() { # EXE: leaves its lines in $work/manifest
        python3 "$here/manifest.py" "$1" >"$work/manifest" 2>&1 ||
            fail "$(basename "$1"): no readable manifest: $(cat "$work/manifest")"
    }
    manifest_of "$real_stub"
    for line in level=asInvoker checksum=ok; do
        grep -qxF -- "$line" "$work/manifest" || fail "stub: no '$line' in $(cat "$work/manifest")"
    done
    mkdir -p "$work/tree"
    printf 'x\r\n' >"$work/tree/x.txt"
    run -q -o "$work/default.exe" --stub "$real_stub" "$work/tree"
    expect_rc "default" 0
    local level slot changed checksum
    slot=$(grep -obUa 'level="asInvoker"' "$real_stub" | cut -d: -f1)
    checksum=$(($(od -An -tu4 -j60 -N4 "$real_stub") + 88))
    for level in asInvoker highestAvailable requireAdministrator; do
        run -q -o "$work/$level.exe" --stub "$real_stub" --elevation "$level" "$work/tree"
        expect_rc "$level" 0
        manifest_of "$work/$level.exe"
        for line in "level=$level" checksum=ok; do
            grep -qxF -- "$line" "$work/manifest" || fail "$level: no '$line' in $(cat "$work/manifest")"
        done
        changed=$(cmp -l "$work/default.exe" "$work/$level.exe" |
            awk -v s="$slot" -v c="$checksum" '{ at = $1 - 1 }
                (at < s || at >= s + 29) && (at < c || at >= c + 4) { print at }')
        [ -z "$changed" ] || fail "$level: bytes besides the level and checksum changed: $changed"
        check "$level: same size" test "$(stat -c %s "$work/$level.exe")" = "$(stat -c %s "$work/default.exe")"
        "$unpack" -l "$work/$level.exe" >"$work/list" 2>&1
        expect_text "$level listed" "$work/list" "  elevation: $level"
    done
    check "asInvoker is the default" cmp "$work/default.exe" "$work/asInvoker.exe"
    run -q -o "$work/x.exe" --stub "$real_stub" --elevation Administrator "$work/tree"
    expect_rc "unknown level" 2
    fake_stub "$work/fake.exe"
    run -q -o "$work/x.exe" --stub "$work/fake.exe" --elevation highestAvailable "$work/tree"
    expect_rc "level for a stub without a manifest" 1
    expect_text "no manifest" "$work/err" "has no manifest"
    check "nothing written" test ! -e "$work/x.exe"
    run -q -o "$work/x.exe" --stub "$work/fake.exe" "$work/tree"
    expect_rc "no level asked for" 0
    "$unpack" -l "$work/x.exe" >"$work/list" 2>&1
    expect_text "listed without a manifest" "$work/list" "  elevation: (no manifest)"
}

case $group in
usage | roundtrip | refusals | interrupted | from_archive | archive_classes | determinism | elevation) "test_$group" ;;
*)
    echo "unknown group $group" >&2
    exit 2
    ;;
esac
echo "$group: $checks checks, $failures failures"
[ "$failures" = 0 ]

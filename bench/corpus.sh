# shellcheck shell=bash
# shellcheck disable=SC2154  # runs is set by the sourcing benchmark
# Sourced by the benchmarks that gather their corpus at run time.

# corpus_scratch NAME: a scratch folder $work (/tmp/NAME.XXXXXX, removed at exit) holding an
# empty corpus/.
corpus_scratch() {
    work=$(mktemp -d "/tmp/$1.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    mkdir "$work/corpus"
}

# take DEST BUDGET PREFIX: copies files named on standard input into DEST, under flattened
# unique names, until about BUDGET bytes are taken; files that would overshoot are passed.
take() {
    local dest=$1 budget=$2 prefix=$3 used=0 n=0 f size
    while IFS= read -r f; do
        size=$(stat -c %s "$f")
        ((size <= budget - used)) || continue
        cp "$f" "$dest/$prefix$((n++))_$(basename "$f")"
        used=$((used + size))
        ((used < budget * 98 / 100)) || break
    done
}

# docs DEST BYTES: about BYTES of the machine's documentation and licence texts, in pieces
# of 1 MiB named doc_* in DEST.
docs() {
    find /usr/share/doc /usr/share/common-licenses -type f ! -name '*.gz' -print0 2>/dev/null |
        sort -z | xargs -0 cat 2>/dev/null | head -c "$2" |
        (cd "$1" && split -b 1M - doc_) || true # cat ends on SIGPIPE
}

# best COMMAND...: the least CPU time (user + system, in seconds) of $runs runs of the
# command. CPU time rather than wall time, so that other work on the machine does not blur
# the comparison. A run that fails stops the benchmark.
best() {
    local best_time="" t
    for ((i = 0; i < runs; i++)); do
        t=$( { TIMEFORMAT='%U + %S'; time "$@" >/dev/null 2>&1 ||
            { echo "FAILED: $*" >&2; exit 1; }; } 2>&1 | bc)
        if [ -z "$best_time" ] || (( $(echo "$t < $best_time" | bc) )); then best_time=$t; fi
    done
    echo "$best_time"
}

# shellcheck shell=bash
# Sourced by the benchmarks that gather their corpus at run time.

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

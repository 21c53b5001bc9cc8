#!/usr/bin/env bash
# Runs one fuzz target: fuzz/run.sh TARGET [SECONDS] [extra libFuzzer options...]
#
#   fuzz/run.sh fuzz_header 20      # the short run the tests make
#   fuzz/run.sh fuzz_paths 3600     # a long run; -jobs=2 -workers=2 for both cores
#
# The target comes from build/fuzz (`make fuzz`), or from $KOLVANE_FUZZ_BUILD. Its corpus
# grows in build/fuzz/corpus/TARGET, seeded from fuzz/seeds/TARGET when that exists; a
# crash is written to build/fuzz/crashes/. An input that runs longer than 5 seconds counts
# as a hang and fails the run, as does a missing target.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
target="${1:?usage: fuzz/run.sh TARGET [SECONDS] [libFuzzer options...]}"
seconds="${2:-60}"
shift $(( $# < 2 ? $# : 2 ))
build="${KOLVANE_FUZZ_BUILD:-$here/../build/fuzz}"
binary="$build/$target"
if [ ! -x "$binary" ]; then
  echo "fuzz target $binary is missing: build it with \`make fuzz\`" >&2
  exit 1
fi

corpus="$build/corpus/$target"
crashes="$build/crashes"
mkdir -p "$corpus" "$crashes"
seeds=()
[ -d "$here/seeds/$target" ] && seeds+=("$here/seeds/$target")

exec "$binary" "$corpus" "${seeds[@]}" -max_total_time="$seconds" -timeout=5 \
  -use_value_profile=1 -rss_limit_mb=2048 -artifact_prefix="$crashes/$target-" -print_final_stats=1 "$@"

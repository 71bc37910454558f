#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60), seeded from examples/, the golden
# cases and tests/fuzz/seeds (the hostile shapes of scenario_load_benchmark
# --seeds, small). Any finding (crash, leak, undefined behaviour, timeout) fails, and the
# input that found it is left in build/fuzz/findings/.
#
#   scripts/fuzz.sh            one minute each, as CI runs it
#   scripts/fuzz.sh 3600       an hour each; the corpus in build/fuzz/corpus grows
#                              across runs, so longer runs start where the last ended
#   scripts/fuzz.sh 600 report_run_fuzz   one target only
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(scenario_reader_fuzz report_run_fuzz)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]}"

seeds=build/fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds" build/fuzz/findings
find examples tests/golden tests/cli tests/fuzz/seeds -type f -name '*.json' -exec cp -t "$seeds" {} +

for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus"
    echo "fuzzing $target for ${seconds}s"
    # -timeout: one input running this long is a hang; -rss_limit_mb: a leak
    # or a runaway allocation.
    log=build/fuzz/$target.log
    if ! build/fuzz/tests/fuzz/"$target" "$corpus" "$seeds" \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix=build/fuzz/findings/"$target"- -print_final_stats=1 >"$log" 2>&1; then
        tail -n 80 "$log"
        echo "fuzz: $target found a problem; the input is in build/fuzz/findings/" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || tail -n 5 "$log"
done

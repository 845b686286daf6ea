#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz": clang, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for a bounded time on its seed corpus in fuzz/corpus/<harness>/.
#   FUZZ_SECONDS   seconds per harness (default 45)
#   FUZZ_HARNESSES harnesses to run (default all of them)
#   FUZZ_JOBS      build jobs (default 2)
# New inputs go to build/fuzz/corpus/<harness>/ (the seeds stay as committed); a crashing input is kept as
# build/fuzz/artifacts/<harness>-crash-* and the script exits 1. Each harness ends with one summary line.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-45}"
harnesses="${FUZZ_HARNESSES:-fuzz_wave fuzz_filter_file fuzz_decode fuzz_decode_parallel fuzz_export fuzz_macro}"

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j "${FUZZ_JOBS:-2}" --target fuzz_harnesses >/dev/null

max_len() {
    case "$1" in
        fuzz_wave) echo 24000 ;;
        fuzz_filter_file) echo 4096 ;;
        fuzz_decode) echo 16384 ;;
        fuzz_decode_parallel) echo 16384 ;;
        fuzz_export) echo 24000 ;;
        fuzz_macro) echo 8192 ;;
    esac
}

mkdir -p build/fuzz/artifacts build/fuzz/logs
failed=0
for harness in $harnesses; do
    corpus="build/fuzz/corpus/$harness"
    log="build/fuzz/logs/$harness.log"
    mkdir -p "$corpus"
    start=$SECONDS
    if ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1" \
        "build/fuzz/bin/$harness" -max_total_time="$seconds" -max_len="$(max_len "$harness")" -timeout=20 \
        -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$harness-" \
        "$corpus" "fuzz/corpus/$harness" >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
        coverage=$(grep -oE '(cov|ft): [0-9]+' "$log" | tail -2 | tr '\n' ' ')
        echo "$harness: ${runs} runs in $((SECONDS - start)) s, ${coverage}corpus $(ls "$corpus" | wc -l) files"
    else
        echo "$harness: FAILED after $((SECONDS - start)) s; log $log" >&2
        grep -A40 -E '==[0-9]+==ERROR|runtime error|check failed|deadly signal|timeout' "$log" | head -80 >&2 || tail -40 "$log" >&2
        failed=1
    fi
done
exit $failed

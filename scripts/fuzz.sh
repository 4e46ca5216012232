#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in their own build folder, the whole core
# instrumented) and runs each for a bounded time from its committed seed corpus.
#   scripts/fuzz.sh [target...]         default: every tests/fuzz/fuzz_*.cpp
# Environment: ZYM_FUZZ_SECONDS (per target, default 30), ZYM_FUZZ_JOBS (targets run at once,
# default 2: one per core of the CI machine), ZYM_FUZZ_BUILD_DIR (default build-fuzz; the
# AddressSanitizer stage of scripts/sanitize.sh uses the same folder).
# Inputs the run finds new go to <build>/fuzz-work/<target>/, never into the committed corpus.
# A crashing input is saved as <build>/fuzz-work/crash-<target>-*; commit it under
# tests/fuzz/regressions/<target>/ with the fix, and the unit test fuzz_replay_<target> keeps it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/sanitizer-builds.sh

SECONDS_PER_TARGET=${ZYM_FUZZ_SECONDS:-30}
JOBS=${ZYM_FUZZ_JOBS:-2}
BUILD_DIR=${ZYM_FUZZ_BUILD_DIR:-build-fuzz}
started=$(date +%s)

if (($#)); then
    targets=("$@")
else
    targets=()
    for src in tests/fuzz/fuzz_*.cpp; do
        name=$(basename "$src" .cpp)
        targets+=("${name#fuzz_}")
    done
fi

configure_clang_sanitizer_build "$BUILD_DIR"
nice cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

work="$BUILD_DIR/fuzz-work"
mkdir -p "$work"

run_target() { # <target>: runs it, its exit status goes to <work>/<target>.status
    local t=$1 status=0
    mkdir -p "$work/$t"
    # -timeout: one input taking this long counts as a hang; the machine may be busy, so generous.
    nice "$BUILD_DIR/tests/fuzz/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/crash-$t-" "$work/$t" "tests/fuzz/corpus/$t" \
        >"$work/$t.log" 2>&1 || status=$?
    echo "$status" >"$work/$t.status"
}

# Each target is one process on one core: JOBS of them at a time.
running=0
for t in "${targets[@]}"; do
    if ((running >= JOBS)); then
        wait -n || true
        running=$((running - 1))
    fi
    run_target "$t" &
    running=$((running + 1))
done
wait

total_runs=0
crashes=0
for t in "${targets[@]}"; do
    log="$work/$t.log"
    status=$(cat "$work/$t.status")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    runs=${runs:-0}
    total_runs=$((total_runs + runs))
    if ((status != 0)); then
        crashes=$((crashes + 1))
        echo "fuzz: $t FAILED after $runs inputs (exit $status); log $log"
        grep -E 'ERROR|check failed|Test unit written|SUMMARY' "$log" | head -20 || true
    else
        echo "fuzz: $t: $runs inputs in ${SECONDS_PER_TARGET}s, corpus $(find "$work/$t" "tests/fuzz/corpus/$t" -type f | wc -l) files"
    fi
done

echo "fuzz: ${#targets[@]} targets ($JOBS at a time), $total_runs inputs executed, $crashes crashed ($(($(date +%s) - started)) s)"
((crashes == 0))

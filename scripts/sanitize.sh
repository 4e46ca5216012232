#!/usr/bin/env bash
# Sanitizer builds of the core and its tests, without the Qt program (tests that need it are not
# configured when ZYM_BUILD_SHELL is OFF):
#   asan: AddressSanitizer + UndefinedBehaviorSanitizer (clang); the unit and integration tests,
#         in the folder the fuzz targets are built in (scripts/fuzz.sh), whose every library
#         carries both sanitizers.
#   tsan: ThreadSanitizer; the tests of the task pool (platform, ops) and the transfer engine
#         (downloads and uploads).
# Tests labelled slow (long soaks, which the normal suite runs) are left out of both.
# Usage: scripts/sanitize.sh [--build-only] [asan] [tsan]   (default both)
#   --build-only builds the stages' folders and runs nothing (scripts/test.sh builds them while
#   the normal suite runs).
# Environment: ZYM_FUZZ_BUILD_DIR (build-fuzz), ZYM_TSAN_BUILD_DIR (build-tsan), ZYM_TEST_JOBS
# (tests at once, default the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/sanitizer-builds.sh

build_only=0
if [ "${1:-}" = --build-only ]; then
    build_only=1
    shift
fi
stages=("$@")
((${#stages[@]})) || stages=(asan tsan)
started=$(date +%s)
failed=()
JOBS=${ZYM_TEST_JOBS:-$(nproc)}

# Halt on the first report, with full stacks; a leak is a finding too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

asan_dir=${ZYM_FUZZ_BUILD_DIR:-build-fuzz}
tsan_dir=${ZYM_TSAN_BUILD_DIR:-build-tsan}

build_asan() { # every target: the tests, the replay tests and the fuzz targets
    configure_clang_sanitizer_build "$asan_dir"
    nice cmake --build "$asan_dir" -j "$(nproc)"
}

test_asan() {
    # The local service's own Python tests run no code of ours: left to the normal suite.
    (cd "$asan_dir" && nice ctest --no-tests=error --output-on-failure -j "$JOBS" --timeout 900 \
        -L 'unit|integration' -LE slow -E '^localsvc_')
}

build_tsan() {
    cmake -S . -B "$tsan_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZYM_BUILD_SHELL=OFF -DZYM_TSAN=ON >/dev/null
    # The task pool's tests live in the platform and ops suites; the engine's in transfer and
    # transfer_upload (its parts) and transfer_live and transfer_upload_live (real downloads and
    # uploads against the local service).
    local targets=() known
    known=$(ninja -C "$tsan_dir" -t targets all)
    for s in platform ops transfer transfer_live transfer_upload transfer_upload_live; do
        if grep -q "^test_$s:" <<<"$known"; then
            targets+=("test_$s")
        fi
    done
    nice cmake --build "$tsan_dir" -j "$(nproc)" --target "${targets[@]}"
}

test_tsan() {
    # Only those executables are built, so only their tests are discovered; every other suite
    # stands as one <target>_NOT_BUILT entry. The local service starts as their fixture.
    (cd "$tsan_dir" && nice ctest --no-tests=error --output-on-failure -j "$JOBS" --timeout 900 \
        -L 'unit|integration' -LE slow -E '_NOT_BUILT$|^localsvc_|^fuzz_replay_|^zym_update_server_')
}

run_stage() { # <stage>
    "build_$1" || return 1
    ((build_only)) || "test_$1"
}

done_word=passed
((build_only)) && done_word=built
for stage in "${stages[@]}"; do
    stage_start=$(date +%s)
    if run_stage "$stage"; then
        echo "sanitize: $stage $done_word ($(($(date +%s) - stage_start)) s)"
    else
        echo "sanitize: $stage FAILED ($(($(date +%s) - stage_start)) s)"
        failed+=("$stage")
    fi
done

if ((${#failed[@]})); then
    echo "sanitize: failed: ${failed[*]} ($(($(date +%s) - started)) s)"
    exit 1
fi
echo "sanitize: ${stages[*]} $done_word ($(($(date +%s) - started)) s)"

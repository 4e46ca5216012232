#!/usr/bin/env bash
# Sanitizer builds of the core and its tests, without the Qt program (tests that need it are not
# configured when ZYM_BUILD_SHELL is OFF), each in its own build folder:
#   asan: AddressSanitizer + UndefinedBehaviorSanitizer; the unit and integration tests.
#   tsan: ThreadSanitizer; the tests of the task pool (platform, ops) and the transfer engine.
# Usage: scripts/sanitize.sh [asan] [tsan]   (default both)
# Environment: ZYM_ASAN_BUILD_DIR (build-asan), ZYM_TSAN_BUILD_DIR (build-tsan).
set -euo pipefail
cd "$(dirname "$0")/.."

stages=("$@")
((${#stages[@]})) || stages=(asan tsan)
started=$(date +%s)
failed=()

# Halt on the first report, with full stacks; a leak is a finding too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

configure_and_build() { # <dir> <cmake options...>; builds every target but the program
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZYM_BUILD_SHELL=OFF "$@" >/dev/null
}

run_asan() {
    local dir=${ZYM_ASAN_BUILD_DIR:-build-asan}
    configure_and_build "$dir" -DZYM_SANITIZE=ON
    cmake --build "$dir" -j "$(nproc)"
    # The local service's own Python tests run no code of ours: left to the normal suite.
    (cd "$dir" && ctest --no-tests=error --output-on-failure -j "$(nproc)" --timeout 900 -L 'unit|integration' -E '^localsvc_')
}

run_tsan() {
    local dir=${ZYM_TSAN_BUILD_DIR:-build-tsan}
    configure_and_build "$dir" -DZYM_TSAN=ON
    # The task pool's tests live in the platform and ops suites; the engine's in transfer (its
    # parts) and transfer_live (real downloads against the local service).
    local targets=() known
    known=$(ninja -C "$dir" -t targets all)
    for s in platform ops transfer transfer_live; do
        if grep -q "^test_$s:" <<<"$known"; then
            targets+=("test_$s")
        fi
    done
    cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
    # Only those executables are built, so only their tests are discovered; every other suite
    # stands as one <target>_NOT_BUILT entry. The local service starts as their fixture.
    (cd "$dir" && ctest --no-tests=error --output-on-failure -j "$(nproc)" --timeout 900 -L 'unit|integration' \
        -E '_NOT_BUILT$|^localsvc_|^fuzz_replay_|^zym_update_server_')
}

for stage in "${stages[@]}"; do
    stage_start=$(date +%s)
    if "run_$stage"; then
        echo "sanitize: $stage passed ($(($(date +%s) - stage_start)) s)"
    else
        echo "sanitize: $stage FAILED ($(($(date +%s) - stage_start)) s)"
        failed+=("$stage")
    fi
done

if ((${#failed[@]})); then
    echo "sanitize: failed: ${failed[*]} ($(($(date +%s) - started)) s)"
    exit 1
fi
echo "sanitize: ${stages[*]} passed ($(($(date +%s) - started)) s)"

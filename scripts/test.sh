#!/usr/bin/env bash
# Builds everything and runs every test: the suite (unit, integration against the local service,
# page tests of the real program), then each fuzz target for a bounded time (scripts/fuzz.sh),
# the unit and integration tests under AddressSanitizer + UndefinedBehaviorSanitizer and the
# engine and pool tests under ThreadSanitizer (scripts/sanitize.sh).
# Usage: scripts/test.sh [extra ctest arguments for the suite]
# ZYM_FULL_CHECKS=0 runs only the suite. Each stage ends with a one-line summary and its time.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
stage_start=$started
stage_done() { # <name>
    local now
    now=$(date +%s)
    echo "test: stage $1 done in $((now - stage_start)) s (total $((now - started)) s)"
    stage_start=$now
}

descendants() { # <pid>: every process below it
    local p
    for p in $(ps -o pid= --ppid "$1"); do
        echo "$p"
        descendants "$p"
    done
}

scripts/install-deps.sh
# Paths relative to the checkout in the compiler cache's keys: a fresh clone anywhere reuses
# what another checkout of the same sources compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
full=${ZYM_FULL_CHECKS:-1}

BUILD_DIR=${ZYM_BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
stage_done build

# The sanitizer folders build in the background, at the lowest priority, while the suite runs:
# the suite spends much of its time waiting on the service and the pages, and keeps the cores
# it needs.
sanitizer_build=0
if [ "$full" != 0 ]; then
    mkdir -p "$BUILD_DIR"
    sanitizer_log="$BUILD_DIR/sanitizer-build.log"
    nice -n 19 scripts/sanitize.sh --build-only asan tsan >"$sanitizer_log" 2>&1 &
    sanitizer_build=$!
fi

if [ -f tests/pages/package.json ]; then
    (cd tests/pages && npm ci --no-audit --no-fund --loglevel=error)
fi

status=0
(cd "$BUILD_DIR" && ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@") || status=$?
if ((status == 0)); then echo "test: suite passed"; else echo "test: suite FAILED"; fi
stage_done suite

if [ "$full" != 0 ]; then
    # Nothing else of ours runs now: the rest of those builds goes at the priority of the later
    # stages (nice), not behind every other program on a shared machine.
    renice -n "$(($(nice) + 10 > 19 ? 19 : $(nice) + 10))" -p $(descendants "$sanitizer_build") "$sanitizer_build" >/dev/null 2>&1 || true
    if wait "$sanitizer_build"; then
        tail -n 1 "$sanitizer_log"
    else
        echo "test: sanitizer builds FAILED; log $sanitizer_log"
        status=1
        tail -n 30 "$sanitizer_log"
    fi
    stage_done sanitizer-builds
    scripts/fuzz.sh || status=1
    stage_done fuzz
    scripts/sanitize.sh asan || status=1
    stage_done asan
    scripts/sanitize.sh tsan || status=1
    stage_done tsan
fi
if ((status == 0)); then echo "test: all passed"; else echo "test: FAILED"; fi
exit "$status"

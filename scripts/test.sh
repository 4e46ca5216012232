#!/usr/bin/env bash
# Builds everything and runs every test (unit, integration against the local service,
# page tests of the real program). Usage: scripts/test.sh [extra ctest arguments]
# With ZYM_FULL_CHECKS=1 it then runs scripts/fuzz.sh and scripts/sanitize.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD_DIR=${ZYM_BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

if [ -f tests/pages/package.json ]; then
    (cd tests/pages && npm ci --no-audit --no-fund --loglevel=error)
fi

status=0
(cd "$BUILD_DIR" && ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@") || status=$?
if ((status == 0)); then echo "test: suite passed"; else echo "test: suite FAILED"; fi

# When asked, the fuzz targets and the sanitizer builds run after the suite, each in its own build
# folder and each ending with its own summary line. Not yet part of CI: the sanitizer stage has not
# had a full green run and a settings-file finding of the fuzzer is still open.
if [ "${ZYM_FULL_CHECKS:-}" = 1 ]; then
    scripts/fuzz.sh || status=1
    scripts/sanitize.sh || status=1
fi
exit "$status"

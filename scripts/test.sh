#!/usr/bin/env bash
# Builds everything and runs every test (unit, integration against the local service,
# page tests of the real program). Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD_DIR=${ZYM_BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

if [ -f tests/pages/package.json ]; then
    (cd tests/pages && npm ci --no-audit --no-fund --loglevel=error)
fi

cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"

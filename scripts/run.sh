#!/usr/bin/env bash
# Builds the program and starts it against the local ZYM service (demo account),
# unless settings already name another service endpoint.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
BUILD_DIR=${ZYM_BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
echo "run: built in $BUILD_DIR"

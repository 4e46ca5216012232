#!/usr/bin/env bash
# Pictures of every screen for the README: starts the program under Xvfb at 1280x800 against
# the local service with a little demo data, walks the screens and saves each one to
# docs/screenshots/. Needs a build (build/bin/zymclient) and tests/pages/node_modules.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
PROGRAM=${ZYM_PROGRAM:-$ROOT/${ZYM_BUILD_DIR:-build}/bin/zymclient}
[ -x "$PROGRAM" ] || { echo "screenshots: no program at $PROGRAM (build it first)" >&2; exit 1; }
[ -d tests/pages/node_modules ] || (cd tests/pages && npm ci --no-audit --no-fund --loglevel=error)

for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

mkdir -p docs/screenshots
DISPLAY=":$n" ZYM_PROGRAM="$PROGRAM" node scripts/screenshots.mjs "$ROOT/docs/screenshots"

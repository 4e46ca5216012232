#!/usr/bin/env bash
# Saves what the program shows to a PNG: scripts/screenshot.sh [file.png]
# Uses the display scripts/run.sh runs on (its Xvfb when there was no display).
set -euo pipefail
OUT=${1:-zymclient-screenshot.png}
STATE="${XDG_RUNTIME_DIR:-/tmp}/zymclient-run-$(id -u)/display"
if [ -f "$STATE" ]; then
    DISPLAY=$(cat "$STATE")
fi
: "${DISPLAY:?no display: start the program with scripts/run.sh first}"
import -display "$DISPLAY" -window root "$OUT"
echo "screenshot: $OUT"

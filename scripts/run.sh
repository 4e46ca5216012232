#!/usr/bin/env bash
# Builds the program and runs it like a user would, against the local ZYM service with its
# demo account (unless the settings already name another service endpoint). Without a
# display it runs under Xvfb; scripts/screenshot.sh shows what is on the screen.
# The service (and Xvfb) stay while any instance of the program runs: logging off relaunches
# the program through Startover, and the relaunched one still needs them.
# ZYM_BUILD_DIR names the build folder, relative to the checkout or absolute (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

scripts/install-deps.sh
BUILD_DIR=${ZYM_BUILD_DIR:-build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what the program needs; the tests build with the test command.
cmake --build "$BUILD_DIR" -j "$(nproc)" --target zymclient Startover zym_ui_pages zym_install_folder
BIN_DIR="$BUILD_DIR/bin"
PROGRAM="$BIN_DIR/zymclient"

SETTINGS="${XDG_CONFIG_HOME:-$HOME/.config}/ZymClient/settings.reg"
STATE_DIR="${XDG_RUNTIME_DIR:-/tmp}/zymclient-run-$(id -u)"
mkdir -p "$STATE_DIR"
SERVICE_PID="" XVFB_PID="" ADDED_DOMAIN=""

cleanup() {
    [ -n "$SERVICE_PID" ] && kill "$SERVICE_PID" 2>/dev/null && wait "$SERVICE_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    # The service's address was ours to add; the user's own settings stay as they were.
    [ -n "$ADDED_DOMAIN" ] && python3 "$ROOT/scripts/settings_value.py" "$SETTINGS" ServiceDomain --remove || true
    rm -f "$STATE_DIR/display"
}
trap cleanup EXIT

# The local service, unless the settings already point the program elsewhere.
CURRENT_DOMAIN=$(python3 scripts/settings_value.py "$SETTINGS" ServiceDomain || true)
if [ -z "$CURRENT_DOMAIN" ]; then
    exec {SVC_OUT}< <(tools/zym-local-service/zym-local-service --port 0 2>"$STATE_DIR/service.log" & echo "pid $!"; wait)
    read -r _ SERVICE_PID <&"$SVC_OUT"
    read -r READY URL <&"$SVC_OUT" || { echo "run: the local service did not start (see $STATE_DIR/service.log)" >&2; exit 1; }
    [ "$READY" = ready ] || { echo "run: unexpected service output: $READY $URL" >&2; exit 1; }
    PORT=${URL##*:}
    python3 scripts/settings_value.py "$SETTINGS" ServiceDomain ".zym.localhost:$PORT"
    ADDED_DOMAIN=1
    echo "run: local ZYM service at $URL (log: $STATE_DIR/service.log)"
    echo "run: log in with the demo account: key id demo-key-id, secret demo-key-secret"
else
    echo "run: using the service domain from your settings: $CURRENT_DOMAIN"
fi

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    # Xvfb has no GPU: the browser and Qt's compositor draw in software.
    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
    export QT_QUICK_BACKEND=software
    # Xvfb makes its socket when it accepts clients.
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    echo "run: no display; running under Xvfb on $DISPLAY"
    echo "run: take a screenshot with: scripts/screenshot.sh shot.png"
fi
echo "$DISPLAY" >"$STATE_DIR/display"

# Processes running this build's program or its relauncher (Startover becomes the program).
instances() {
    local exe pid
    for exe in /proc/[0-9]*/exe; do
        case "$(readlink "$exe" 2>/dev/null)" in
            "$BIN_DIR/zymclient" | "$BIN_DIR/Startover")
                pid=${exe#/proc/}
                echo "${pid%/exe}" ;;
        esac
    done
}

echo "run: starting $PROGRAM (close it to stop everything)"
"$PROGRAM" || true
# A log-off or restart leaves a relaunched instance: wait for each until none is left.
while pids=$(instances) && [ -n "$pids" ]; do
    for pid in $pids; do tail --pid="$pid" -f /dev/null; done
done

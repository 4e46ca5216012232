#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: packages already installed are skipped, and apt is asked only when one is missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config git ccache
    # core
    libcurl4-openssl-dev libsqlite3-dev libtinyxml2-dev libcjson-dev libssl-dev libpcre2-dev
    media-types
    # shell
    qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin libgl-dev
    # tests and screenshots
    libgtest-dev libgmock-dev googletest xvfb xauth x11-utils imagemagick nodejs sqlite3
    fonts-wqy-microhei
    # the package test: the menu entry of the Debian package
    desktop-file-utils
    # fuzzing (libFuzzer and the sanitizer runtimes come with clang) and readable sanitizer stacks
    clang libclang-rt-dev llvm
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "install-deps: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The local service runs on moto, a third-party S3 engine, in the machine's Python.
if ! python3 -c 'import moto, werkzeug' 2>/dev/null; then
    echo "install-deps: python3 lacks moto; trying pip" >&2
    python3 -m pip install --quiet 'moto[server]' || {
        echo "install-deps: moto is required for the local service" >&2
        exit 1
    }
fi

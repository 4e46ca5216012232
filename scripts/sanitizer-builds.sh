# Sourced by scripts/fuzz.sh and scripts/sanitize.sh: the one clang build folder that holds
# both the libFuzzer targets and the AddressSanitizer + UndefinedBehaviorSanitizer tests. Every
# library is built once with both sanitizers and the fuzzers' coverage marks, so the two stages
# share one compile of the core; both scripts configure it the same way (a different option
# would rebuild it all).
configure_clang_sanitizer_build() { # <dir>
    CC=clang CXX=clang++ cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZYM_BUILD_SHELL=OFF -DZYM_FUZZ=ON >/dev/null
}

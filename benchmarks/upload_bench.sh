#!/bin/bash
# Multipart upload through the upload task vs five parallel `curl -T` of the same 5 MiB parts,
# both to benchmarks/upload_sink on loopback, plus md5sum over the same file for the cost of
# the checksum alone. Figures: wall seconds, client CPU seconds (user + system), sink CPU.
#   benchmarks/upload_bench.sh [build folder] [MiB] [rounds]
set -euo pipefail
build=$(realpath "${1:-build}")
size=${2:-1024}
rounds=${3:-3}
work=$(mktemp -d /tmp/zym-upload-bench.XXXXXX)
sink_pid=
cleanup() {
    [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

dd if=/dev/urandom of="$work/src.bin" bs=1M count="$size" status=none
(cd "$work" && split -b 5242880 -d -a 4 src.bin part.)
"$build/benchmarks/upload_sink" > "$work/port" &
sink_pid=$!
while ! grep -q port "$work/port" 2>/dev/null; do sleep 0.1; done
port=$(awk '{print $2}' "$work/port")
cat "$work/src.bin" "$work"/part.* > /dev/null # everything in the page cache

sink_cpu() { awk '{printf "%.2f", ($14 + $15) / 100}' "/proc/$sink_pid/stat"; }

curl_round() {
    local i args n
    for i in 0 1 2 3 4; do
        args=()
        n=0
        for p in "$work"/part.*; do
            if [ $((n % 5)) -eq "$i" ]; then
                args+=(-T "$p" "http://127.0.0.1:$port/big.bin?partNumber=$((n + 1))&uploadId=sink-upload")
            fi
            n=$((n + 1))
        done
        curl -s -o /dev/null -H "Expect:" "${args[@]}" &
    done
    wait
}
export -f curl_round
export work port

echo "file: $size MiB, $(ls "$work"/part.* | wc -l) parts; $(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg)"
/usr/bin/time -f "md5sum: wall %e s, cpu %U+%S s" md5sum "$work/src.bin" > /dev/null
for r in $(seq "$rounds"); do
    before=$(sink_cpu)
    "$build/benchmarks/upload_bench" "$work/src.bin" "$port" 5
    echo "  sink cpu $(echo "$(sink_cpu) - $before" | bc) s"
    before=$(sink_cpu)
    /usr/bin/time -f "curl x5: wall %e s, cpu %U+%S s" bash -c curl_round
    echo "  sink cpu $(echo "$(sink_cpu) - $before" | bc) s"
done

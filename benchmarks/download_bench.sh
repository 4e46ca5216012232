#!/bin/bash
# Download throughput of the engine (through zym_transfer_driver) against aria2c, curl and md5sum,
# all reading the same files from one nginx on loopback in the same run. Not a test.
#
# Needs: nginx and aria2 (Debian: apt-get install nginx-light aria2), a built
# zym_transfer_driver (cmake --build build --target zym_transfer_driver).
#
#   benchmarks/download_bench.sh [build folder] [work folder]
#
# Writes its figures to standard output (the lines to copy into benchmarks/results.md).
set -euo pipefail
BUILD=${1:-build}
WORK=${2:-/tmp/zym-download-bench}
DRIVER=$(realpath "$BUILD/benchmarks/zym_transfer_driver")
PORT=${PORT:-18431}
BIG_MIB=${BIG_MIB:-1024}
SMALL_COUNT=${SMALL_COUNT:-2000}
RUNS=${RUNS:-2}

mkdir -p "$WORK/www/small" "$WORK/nginx" "$WORK/out"
cd "$WORK"
if [ ! -f www/big.bin ] || [ "$(stat -c %s www/big.bin)" != $((BIG_MIB * 1048576)) ]; then
    head -c $((BIG_MIB * 1048576)) /dev/urandom > www/big.bin
fi
if [ "$(ls www/small | wc -l)" != "$SMALL_COUNT" ]; then
    rm -rf www/small && mkdir www/small
    for i in $(seq 1 "$SMALL_COUNT"); do head -c 65536 /dev/urandom > "www/small/s$i.bin"; done
fi
cat > nginx/nginx.conf <<CONF
worker_processes 1;
pid $WORK/nginx/nginx.pid;
error_log $WORK/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    keepalive_requests 100000;
    client_body_temp_path $WORK/nginx/body;
    proxy_temp_path $WORK/nginx/proxy;
    fastcgi_temp_path $WORK/nginx/fastcgi;
    uwsgi_temp_path $WORK/nginx/uwsgi;
    scgi_temp_path $WORK/nginx/scgi;
    server {
        listen 127.0.0.1:$PORT default_server;
        root $WORK/www;
    }
}
CONF
nginx -c "$WORK/nginx/nginx.conf" -g 'daemon on;'
trap 'kill $(cat "$WORK/nginx/nginx.pid") 2>/dev/null || true' EXIT

URL=http://127.0.0.1:$PORT
HOST=localhost:$PORT # the engine asks for bucket.host: bench.localhost resolves to loopback
SIZE=$(stat -c %s www/big.bin)
md5_start=$(date +%s.%N)
ETAG=$(md5sum www/big.bin | cut -d' ' -f1)

clean() { rm -rf "$WORK/out" "$WORK"/*.db* && mkdir -p "$WORK/out" && sync; }
now() { date +%s.%N; }
# Wall seconds of a command.
timed() { local s e; s=$(now); "$@" > /dev/null 2>&1; e=$(now); echo "$e - $s" | bc; }

printf 'bench\tbig.bin\t%s/out/big.bin\t%s\t%s\t%s\n' "$WORK" "$SIZE" "$ETAG" "$HOST" > big.list
: > small.list; : > small.urls
for i in $(seq 1 "$SMALL_COUNT"); do
    printf 'bench\tsmall/s%d.bin\t%s/out/s%d.bin\t65536\t%s\t%s\n' "$i" "$WORK" "$i" \
        "$(md5sum "www/small/s$i.bin" | cut -d' ' -f1)" "$HOST" >> small.list
    echo "$URL/small/s$i.bin" >> small.urls
done

for run in $(seq 1 "$RUNS"); do
    clean; t_aria=$(timed aria2c -x5 -s5 -k20M --file-allocation=falloc -d "$WORK/out" -o big.bin "$URL/big.bin")
    clean; t_curl=$(timed curl -s -o "$WORK/out/big.bin" "$URL/big.bin")
    t_md5=$(timed md5sum "$WORK/out/big.bin")
    clean; t_e0=$(timed "$DRIVER" --db "$WORK/e.db" --list big.list --peers 5 --tasks 5 --verify 0)
    cmp -s "$WORK/out/big.bin" www/big.bin || echo "engine (verify 0) wrote wrong bytes"
    clean; t_e1=$(timed "$DRIVER" --db "$WORK/e.db" --list big.list --peers 5 --tasks 5 --verify 1)
    cmp -s "$WORK/out/big.bin" www/big.bin || echo "engine (verify 1) wrote wrong bytes"
    clean; t_e1c=$(timed "$DRIVER" --db "$WORK/e.db" --list big.list --peers 1 --tasks 1 --verify 0)
    clean; t_aria_small=$(timed aria2c -j5 -x1 -d "$WORK/out" -i small.urls)
    clean; t_e_small=$(timed "$DRIVER" --db "$WORK/e.db" --list small.list --peers 1 --tasks 5 --verify 1)
    n_ok=$(ls "$WORK/out" | grep -c '^s' || true)
    echo "run $run: 1 object of $BIG_MIB MiB: aria2c -x5 $t_aria s, curl $t_curl s, md5sum $t_md5 s," \
         "engine 5 conn verify 0 $t_e0 s, verify 1 $t_e1 s, engine 1 conn $t_e1c s;" \
         "$SMALL_COUNT x 64 KiB: aria2c -j5 $t_aria_small s, engine 5x1 $t_e_small s ($n_ok files)"
    best=$(echo "if ($t_aria < $t_curl) $t_aria else $t_curl" | bc)
    bigger=$(echo "if ($best > $t_md5) $best else $t_md5" | bc)
    echo "  ratios: verify 0 vs best tool $(echo "scale=2; $t_e0 / $best" | bc);" \
         "verify 1 vs max(best tool, md5sum) $(echo "scale=2; $t_e1 / $bigger" | bc);" \
         "1 conn throughput vs curl $(echo "scale=2; $t_curl / $t_e1c" | bc);" \
         "small files per second vs aria2c $(echo "scale=2; $t_aria_small / $t_e_small" | bc)"
done

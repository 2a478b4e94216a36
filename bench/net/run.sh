#!/bin/sh
# Throughput and peak memory of the HTTP source transfer against curl (one
# invocation for all URLs) and wget -i, on nginx at 127.0.0.1 serving one
# 1 GiB file and 10,000 files of 4 KiB.
# Each is run BENCH_ROUNDS times (3), interleaved, and the best time counts.
# usage: [BENCH_OUT=DIR] bench/net/run.sh [BUILD_DIR]   (needs nginx; builds net_bench)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d "${TMPDIR:-/tmp}/cvnetbench.XXXXXX")
# Where the received files go: beside the served ones unless BENCH_OUT names
# another folder (a tmpfs such as /dev/shm leaves the disk out of it).
out=$(mktemp -d "${BENCH_OUT:-$work}/out.XXXXXX")
nginx_pid=""
cleanup() {
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
    rm -rf "$work" "$out"
}
trap cleanup EXIT INT TERM

command -v nginx >/dev/null || { echo "nginx is missing (apt-get install nginx-light)"; exit 1; }

# The driver, against the built platform library.
bench="$work/net_bench"
c++ -O2 -std=c++20 -I"$root" "$here/NetBench.cpp" "$build/platform/libcvplatform.a" \
    $(pkg-config --libs libcurl) -o "$bench"

mkdir -p "$work/www/small" "$work/logs"
chmod 755 "$work"  # nginx workers read the files as an unprivileged user
head -c 1073741824 /dev/urandom > "$work/www/big.bin"
python3 - "$work/www/small" <<'PY'
import os, sys
block = os.urandom(4096)
for i in range(10000):
    with open(os.path.join(sys.argv[1], "f%05d.bin" % i), "wb") as f:
        f.write(block)
PY
chmod -R a+rX "$work/www"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat > "$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    keepalive_requests 100000;
    client_body_temp_path $work/logs;
    proxy_temp_path $work/logs;
    fastcgi_temp_path $work/logs;
    uwsgi_temp_path $work/logs;
    scgi_temp_path $work/logs;
    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }
}
CONF
nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do
    curl -sf -o /dev/null "http://127.0.0.1:$port/small/f00000.bin" && break
    sleep 0.1
done

echo big.bin > "$work/big.list"
seq -f "small/f%05g.bin" 0 9999 > "$work/small.list"
sed "s|^|http://127.0.0.1:$port/|" "$work/big.list" > "$work/big.urls"
sed "s|^|http://127.0.0.1:$port/|" "$work/small.list" > "$work/small.urls"
for set in big small; do
    awk -v d="$out" '{ printf "url = \"%s\"\noutput = \"%s/%d\"\n", $0, d, NR }' \
        "$work/$set.urls" > "$work/$set.curl"
done

# measure NAME SET COMMAND...: wall seconds and peak resident kB. The
# previous run's files are flushed first, so no run pays for another's
# write-back.
measure() {
    name=$1; set=$2; shift 2
    rm -rf "$out"; mkdir -p "$out"
    sync
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2>&1 || echo "($name failed)"
    read -r secs kb <<TIME
$(tail -n 1 "$work/time")
TIME
    echo "$set $name $secs $kb"
}
sync
rounds=${BENCH_ROUNDS:-3}
{
    for round in $(seq "$rounds"); do
    for set in big small; do
        measure corvandelle $set env TMPDIR="$out" "$bench" 127.0.0.1 "$port" "$work/$set.list"
        measure curl $set curl -s -K "$work/$set.curl"
        measure wget $set wget -q -i "$work/$set.urls" -P "$out"
    done
    done
} | tee "$work/results"

# The best of the rounds for each, as the machine may be busy in any one.
awk '
    {
        k = $1 "," $2
        if (!(k in secs) || $3 < secs[k]) secs[k] = $3
        if ($4 > mem[k]) mem[k] = $4
    }
    END {
        bytes["big"] = 1073741824; bytes["small"] = 10000 * 4096
        split("big small", sets, " ")
        for (i = 1; i <= 2; i++) {
            s = sets[i]
            printf "%s: corvandelle %.1f MB/s, %d kB peak; curl %.1f MB/s (ours/curl %.2f), %d kB; wget %.1f MB/s (ours/wget %.2f), %d kB\n", s,
                bytes[s] / secs[s ",corvandelle"] / 1e6, mem[s ",corvandelle"],
                bytes[s] / secs[s ",curl"] / 1e6, secs[s ",curl"] / secs[s ",corvandelle"], mem[s ",curl"],
                bytes[s] / secs[s ",wget"] / 1e6, secs[s ",wget"] / secs[s ",corvandelle"], mem[s ",wget"]
        }
    }' "$work/results"

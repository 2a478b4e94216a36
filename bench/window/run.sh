#!/bin/sh
# The receiver window (offscreen) against corvan-cli, in the same run, on
# the same receives: an archive of 10,000 files of 4 KiB, and one file of
# 1 GiB over HTTP from nginx at 127.0.0.1. Each is run BENCH_ROUNDS times
# (3), interleaved, into a fresh folder; the best time counts (BENCH_OUT=/dev/shm
# keeps the disk's write-back out of it). Also the
# longest stall of the window's GUI thread during each receive, and the time
# from process start to the painted main window (warm, best and median of 10).
# usage: [BENCH_ROUNDS=N] [BENCH_OUT=DIR] bench/window/run.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
bench="$build/bin/window_bench"
cli="$build/bin/corvan-cli"
[ -x "$bench" ] && [ -x "$cli" ] || { echo "build window_bench and corvan-cli first (cmake --build $build)"; exit 1; }
command -v nginx >/dev/null || { echo "nginx is missing (apt-get install nginx-light)"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/cvwindowbench.XXXXXX")
out=$(mktemp -d "${BENCH_OUT:-$work}/out.XXXXXX")
nginx_pid=""
cleanup() {
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
    rm -rf "$work" "$out"
}
trap cleanup EXIT INT TERM

# A home of its own: nothing of the user's settings is read or written.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
# The receivers' temporary files go beside what they receive.
export XDG_RUNTIME_DIR="$work/home/run" TMPDIR="$out/tmp" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
mkdir -p "$HOME/Documents" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/www" "$work/logs"
chmod 700 "$XDG_RUNTIME_DIR"
chmod 755 "$work"

"$bench" make-archive 10000 4096 "$work/small.gpa"
head -c 1073741824 /dev/urandom > "$work/www/big.bin"
chmod -R a+rX "$work/www"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$bench" make-http 127.0.0.1 "$port" /big.bin "$work/big.gp"
cat > "$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    client_body_temp_path $work/logs;
    proxy_temp_path $work/logs;
    fastcgi_temp_path $work/logs;
    uwsgi_temp_path $work/logs;
    scgi_temp_path $work/logs;
    server { listen 127.0.0.1:$port; root $work/www; }
}
CONF
nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do
    curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$port/big.bin" && break
    sleep 0.1
done

# run NAME SET COMMAND...: "SET NAME wall-seconds cpu-seconds [window: receive-seconds gap-ms ticks]"
run() {
    name=$1; set=$2; shift 2
    rm -rf "$out/root"; mkdir -p "$out/root"
    sync
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" > "$work/stdout" 2> "$work/stderr" \
        || { echo "($name $set failed)"; grep -v plugin "$work/stderr"; }
    echo "$set $name $(awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$work/time") $(tail -n 1 "$work/stdout" | grep -E '^[0-9.]+ [0-9.]+ [0-9]+$' || true)"
}
rounds=${BENCH_ROUNDS:-3}
{
    for round in $(seq "$rounds"); do
    for set in small big; do
        src="$work/$set.gpa"; [ "$set" = big ] && src="$work/big.gp"
        run cli "$set" "$cli" receive "$src" --root "$out/root" --yes
        run window "$set" "$bench" receive "$src" "$out/root"
    done
    done
} | tee "$work/results"

awk '
    $2 == "cli" || $2 == "window" {
        k = $1 "," $2
        if (!(k in secs) || $3 < secs[k]) secs[k] = $3
        if (!(k in cpu) || $4 < cpu[k]) cpu[k] = $4
        if ($2 == "window" && $6 > gap[$1]) gap[$1] = $6
    }
    END {
        split("small big", sets, " ")
        for (i = 1; i <= 2; i++) {
            s = sets[i]
            printf "%s: corvan-cli %.2f s (cpu %.2f s), window %.2f s (cpu %.2f s); window/cli %.3f, cpu %.3f; longest GUI stall %.1f ms\n",
                s, secs[s ",cli"], cpu[s ",cli"], secs[s ",window"], cpu[s ",window"],
                secs[s ",window"] / secs[s ",cli"], cpu[s ",window"] / cpu[s ",cli"], gap[s]
        }
    }' "$work/results"

# Start-up: the first run warms the caches, the next ten count.
"$bench" startup "$(date +%s%N)" > /dev/null
for i in $(seq 10); do "$bench" startup "$(date +%s%N)"; done | sort -n > "$work/startup"
echo "start-up to painted window (warm): best $(head -n 1 "$work/startup") ms, median $(sed -n 5p "$work/startup") ms"

#!/bin/sh
# Builds the programs into build-bench/ (never touching build/) and compares
# them, as whole processes, with their peers: xmllint, zip, unzip, curl, wget
# and openssl. Prints one table of medians, ratios and peak memory, and
# appends it with every round's figures to build-bench/bench-results.txt.
#
#   bench/run-all.sh                 every case, 5 rounds (takes some minutes)
#   BENCH_QUICK=1 bench/run-all.sh   fewer and smaller cases, 3 rounds
#
# BENCH_RUNS, BENCH_DIR and BENCH_CASES are described in bench/run_all.py.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}

missing=""
for program in xmllint:libxml2-utils zip:zip unzip:unzip curl:curl wget:wget nginx:nginx-light \
               openssl:openssl python3:python3 /usr/bin/time:time; do
    command -v "${program%%:*}" >/dev/null 2>&1 || missing="$missing ${program#*:}"
done
if [ -n "$missing" ]; then
    echo "missing programs; install the Debian packages:$missing" >&2
    exit 1
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_BENCH=ON \
      -DCV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
exec python3 "$root/bench/run_all.py" "$build/bin" "$build/bench-results.txt"

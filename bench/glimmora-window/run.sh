#!/usr/bin/env bash
# Builds the window benchmark and runs it: the album window adding a folder of
# 100 pictures of 4000 x 3000 against the album core fitting the same files.
# The pictures are made once in bench-album/ under the temporary folder and
# kept there (the album benchmark uses the same ones).
#
#   bench/glimmora-window/run.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_BENCH=ON >/dev/null
cmake --build build -j2 --target glimmora_window_bench album_bench CVCLIB GMSNorm GMSSmart
pictures="${TMPDIR:-/tmp}/bench-album"
build/bin/album_bench generate "$pictures"
exec build/bin/glimmora_window_bench run "$pictures" "${1:-3}"

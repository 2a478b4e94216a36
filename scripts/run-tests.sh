#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_BENCH=OFF >/dev/null
cmake --build build -j2
exec ctest --test-dir build --output-on-failure -j2 --timeout 300

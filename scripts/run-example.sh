#!/usr/bin/env bash
# Installs what is missing, builds, and runs corvan-cli on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
exec build/bin/corvan-cli inspect examples/写真の配布.gp

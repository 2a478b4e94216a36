#!/usr/bin/env bash
# Installs what is missing, builds, shows the bundled example archive and
# receives it into a fresh folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_BENCH=OFF >/dev/null
cmake --build build -j2

archive=examples/運動会の写真.gpa
build/bin/corvan-cli inspect "$archive"

# A fresh save root each run, so nothing from an earlier run is updated.
root=$(mktemp -d "${TMPDIR:-/tmp}/corvan-example.XXXXXX")
echo
build/bin/corvan-cli receive "$archive" --root "$root" --yes
echo
echo "受信したファイルは $root に保存されました:"
(cd "$root" && find . -mindepth 1 | LC_ALL=C sort)

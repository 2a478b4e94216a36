#!/usr/bin/env bash
# Builds the Debian package build-package/corvandelle_VERSION_ARCH.deb (the
# programs without tests or benchmarks, installed under /usr) and checks it
# with lintian. Install it with: apt-get install ./build-package/corvandelle_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_TESTS=OFF -DCV_BUILD_BENCH=OFF >/dev/null
rm -f build-package/corvandelle_*.deb
cmake --build build-package -j2 --target package
deb=$(ls build-package/corvandelle_*.deb)

echo
dpkg-deb --info "$deb" | sed -n -E '/^ (Package|Version|Architecture|Installed-Size|Depends|Recommends):/p'
echo "$deb: $(du -k "$deb" | cut -f1) KiB"
# Errors fail the build; warnings and notes are shown.
if command -v lintian >/dev/null; then
    lintian --fail-on error --info "$deb"
else
    echo "lintian is missing: apt-get install lintian" >&2
    exit 1
fi

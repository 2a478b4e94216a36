#!/usr/bin/env bash
# Builds the album benchmark and runs it (JPEG, then HEIC as libheif and as
# phones write it) against ImageMagick and vipsthumbnail
# (installed here when missing; the build does not need them). The pictures
# are made once in bench-album/ under the temporary folder and kept there.
#
#   bench/album/run.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/../.."

need=()
[ -x /usr/bin/convert ] || need+=(imagemagick)
command -v vipsthumbnail >/dev/null || need+=(libvips-tools)
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${need[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_BENCH=ON >/dev/null
cmake --build build -j2 --target album_bench glimmora-cli CVCLIB GMSNorm
build/bin/album_bench run "${TMPDIR:-/tmp}/bench-album" "${1:-3}"
build/bin/album_bench heic "${TMPDIR:-/tmp}/bench-album-heic" "${1:-3}"
exec build/bin/album_bench heic-tiled "${TMPDIR:-/tmp}/bench-album-heic-tiled" "${1:-3}"

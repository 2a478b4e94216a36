#!/usr/bin/env bash
# Installs what is missing, builds, publishes the bundled pictures as an
# album with glimmora-cli, reads the album back, and receives it with
# corvan-cli into a fresh folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCV_BUILD_BENCH=OFF >/dev/null
cmake --build build -j2

# A fresh folder each run for the archive and the save root.
work=$(mktemp -d "${TMPDIR:-/tmp}/glimmora-example.XXXXXX")
archive="$work/運動会.gpa"
build/bin/glimmora-cli publish --creator "青葉小学校 写真係" --title "運動会" --date 2024-10-14 \
  --style GMSNorm:1 \
  --title-of 校庭.jpg=開会式の前の校庭 --comment-of 校庭.jpg="旗が風にゆれていました。" \
  --title-of 玉入れ.jpg=玉入れ --comment-of 玉入れ.jpg="紅組の勝ちでした。" \
  --title-of 夕方の校舎.jpg=片付けのあとで \
  examples/運動会のアルバム/校庭.jpg examples/運動会のアルバム/玉入れ.jpg \
  examples/運動会のアルバム/夕方の校舎.jpg -o "$archive"
echo
build/bin/glimmora-cli read "$archive"
echo
build/bin/corvan-cli receive "$archive" --root "$work/root" --yes
echo
echo "写真集は $work/root に受信されました:"
(cd "$work/root" && find Glimmora -mindepth 1 | LC_ALL=C sort)
echo "ページ: $work/root/Glimmora/青葉小学校 写真係/運動会/index.htm"

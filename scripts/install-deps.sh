#!/usr/bin/env bash
# Installs what the build and the test suite need; only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libqt6svg6
  libxml2-dev libxml2-utils zlib1g-dev libzip-dev libcurl4-openssl-dev
  libjpeg62-turbo-dev libgtest-dev libcpp-httplib-dev
  tinyproxy python3-pyftpdlib zip unzip
  chromium fonts-noto-cjk
  xvfb xdotool libglib2.0-bin desktop-file-utils shared-mime-info xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs what the build and the test suite need; only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-multimedia-dev libqt6svg6
  libxml2-dev libxml2-utils zlib1g-dev libzip-dev libcurl4-openssl-dev
  libjpeg62-turbo-dev libgtest-dev libcpp-httplib-dev
  tinyproxy python3-pyftpdlib zip unzip openssl ca-certificates
  chromium fonts-noto-cjk
  xvfb xdotool libglib2.0-bin desktop-file-utils shared-mime-info xdg-utils
  dpkg-dev file appstream lintian
  nettle-dev
  nodejs
  firefox-esr
  qt6-translations-l10n dbus-daemon
  nginx-light
  libheif-dev libpng-dev libwebp-dev
  libde265-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Debian's nodejs comes without npm; some other builds carry it.
command -v npm >/dev/null 2>&1 || missing+=(npm)

# The page tests' accessibility checker, from the npm registry, kept in
# .npm-tools/ of the source tree (needs node and npm, so it runs last).
install_node_tools() {
  local tools
  tools="$(cd "$(dirname "$0")/.." && pwd)/.npm-tools"
  if [ ! -f "$tools/node_modules/axe-core/axe.min.js" ]; then
    echo "installing: axe-core (npm) into $tools"
    mkdir -p "$tools"
    npm install --prefix "$tools" --no-audit --no-fund --no-save --loglevel=error axe-core@4.14.1
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  install_node_tools
  exit 0
fi

# Installing needs root: run as root directly (a container, CI), else
# through sudo when there is one.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "install-deps.sh: installing ${missing[*]} needs root or sudo" >&2
    exit 1
  fi
}
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
as_root apt-get -o DPkg::Lock::Timeout=600 update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
  --no-install-recommends "${missing[@]}"
install_node_tools

#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run again.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6 libqt6printsupport6 libqt6opengl6-dev
  libgl-dev libxkbcommon-dev libxcb1-dev
  libsqlcipher-dev libssl-dev
  libjpeg62-turbo-dev
  libcurl4-openssl-dev
  libzip-dev
  libxlsxwriter-dev zlib1g-dev
  fonts-wqy-microhei
  xvfb xauth x11-utils
  python3 python3-pyftpdlib
  unzip poppler-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian packages Vexilo needs to build, test, fuzz and benchmark, when missing.
# Package names given as arguments are installed too (bench/setup.sh adds the peer tools).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev zlib1g-dev libdeflate-dev libjpeg62-turbo-dev nlohmann-json3-dev
  libwebp-dev libtiff-dev libheif-dev librsvg2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth pngcheck giflib-tools libgif-dev libpng-dev
  adwaita-icon-theme hicolor-icon-theme shared-mime-info
  desktop-file-utils appstream imagemagick x11-utils icoutils
  libglib2.0-dev qt6-translations-l10n
  lintian man-db bash-completion dpkg-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Renders the application icon data/icons/vexilo.svg into the PNG sizes of the hicolor theme
# (data/icons/hicolor/<N>x<N>/apps/vexilo.png). Run it after changing the SVG; commit the output.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck disable=SC2046
g++ -std=c++20 -O1 -fPIC scripts/tools/render_svg.cpp -o "$tmp/render_svg" $(pkg-config --cflags --libs Qt6Svg Qt6Gui)
export XDG_RUNTIME_DIR="$tmp"
for size in 16 22 24 32 48 64 128 256; do
  out=data/icons/hicolor/${size}x${size}/apps
  mkdir -p "$out"
  QT_QPA_PLATFORM=offscreen "$tmp/render_svg" data/icons/vexilo.svg "$out/vexilo.png" "$size"
done
echo "data/icons/hicolor: $(find data/icons/hicolor -name vexilo.png | wc -l) sizes written"

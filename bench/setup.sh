#!/usr/bin/env bash
# Installs what the benchmarks need beside the build's own packages: Google Benchmark and the
# peer tools they time against (GraphicsMagick's `gm`, ImageMagick's `convert`). The peers are
# only ever run as external commands from the benchmarks, never linked into the program.
# Extra Debian package names given as arguments are installed too. Idempotent; prints where the
# peers live so a benchmark log shows what it ran against.
set -euo pipefail

packages=(libbenchmark-dev graphicsmagick imagemagick "$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

"$(dirname "$0")/peers.sh" --print

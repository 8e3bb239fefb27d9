#!/usr/bin/env bash
# Installs what the benchmarks need beside the build's own packages: Google Benchmark and the
# peer tools they time against (GraphicsMagick's `gm`, ImageMagick's `convert`). The peers are
# only ever run as external commands from the benchmarks, never linked into the program.
# Extra Debian package names given as arguments are installed too. Idempotent; prints where the
# peers live so a benchmark log shows what it ran against.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
"$here/../scripts/setup.sh" graphicsmagick imagemagick time "$@"

"$here/peers.sh" --print

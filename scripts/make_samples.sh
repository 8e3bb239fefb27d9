#!/usr/bin/env bash
# Rebuilds the sample folder samples/ with the generator scripts/make_samples.cpp (built with the
# tests). Commit the result; the test samples.match_their_generator checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh -DVEXILO_TESTS=ON >/dev/null
find samples -maxdepth 1 -type f ! -name README.md -delete 2>/dev/null || true
build/tests/make_samples samples
du -ch samples/* | tail -1

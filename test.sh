#!/usr/bin/env bash
# Installs what is missing, builds Vexilo with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh -DVEXILO_TESTS=ON
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600

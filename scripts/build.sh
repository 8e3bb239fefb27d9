#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info, tests on). Extra args go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
# ccache, when the machine has it, makes rebuilds after a checkout cheap; it is never required.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build build --parallel "$(nproc)"

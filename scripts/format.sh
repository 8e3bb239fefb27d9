#!/usr/bin/env bash
# Applies the checked-in .clang-format to every C++ file; with --check, only reports files that
# differ and fails when there are any (CI runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' \
  'fuzz/*.h' 'fuzz/*.cpp' 'bench/*.h' 'bench/*.cpp' 'scripts/*.cpp')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi

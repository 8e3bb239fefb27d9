#!/usr/bin/env bash
# Installs what is missing, builds Vexilo and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "vexilo: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
  exit 2
fi
exec build/bin/vexilo "$@"

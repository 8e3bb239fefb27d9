#!/usr/bin/env bash
# Installs what is missing, builds Vexilo and starts it (on samples/ unless given folders or files).
set -euo pipefail
# Relative folders and files are the caller's: make them absolute before changing folder.
args=()
for a in "$@"; do
  if [[ "$a" == /* ]]; then args+=("$a"); else args+=("$PWD/$a"); fi
done
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "vexilo: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
  exit 2
fi
# Without arguments Vexilo opens on the sample folder and scans it at once.
[ ${#args[@]} -eq 0 ] && args=("$PWD/samples")
exec build/bin/vexilo "${args[@]}"

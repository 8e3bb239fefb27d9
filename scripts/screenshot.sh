#!/usr/bin/env bash
# Takes the README's screenshot: runs Vexilo on samples/ under a virtual X server (xvfb), waits
# for the scan, and saves the main window as docs/main-window.png.
#   scripts/screenshot.sh [--scale F] [--wait S] [--out FILE] [-- VEXILO ARGS...]
# (default arguments: samples/planet.png, which scans samples/ and selects that file)
# --scale: QT_SCALE_FACTOR (default 1; 2 shows the window at 200 %); --wait: seconds before the
# shot (default 5). Needs xvfb, x11-utils and imagemagick (scripts/setup.sh installs them) and a
# built program (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scale=1 wait=5 out=docs/main-window.png
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  case $1 in
    --scale) scale=$2; shift 2 ;;
    --wait) wait=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "screenshot.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ "${1:-}" = "--" ] && shift
# A file argument adds its folder and selects its row once the scan finds it.
[ $# -gt 0 ] || set -- "$PWD/samples/planet.png"
[ -x build/bin/vexilo ] || { echo "screenshot.sh: build/bin/vexilo is missing; run scripts/build.sh" >&2; exit 2; }
mkdir -p "$(dirname "$out")"
out=$(realpath -m "$out")
# A fresh settings folder: the shot shows the first-run window, whatever this machine stored.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
w=$((1100 * ${scale%.*})) h=$((760 * ${scale%.*}))
export QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME=$config XDG_RUNTIME_DIR=$config
xvfb-run -a -s "-screen 0 $((w + 200))x$((h + 200))x24" bash -c '
  out=$1 wait=$2; shift 2
  build/bin/vexilo "$@" & pid=$!
  sleep "$wait"
  # The main window by its caption; the whole screen when it cannot be found.
  id=$(xwininfo -root -tree | awk "/\"Vexilo 3\\.0\\.2\"/ {print \$1; exit}")
  if [ -n "$id" ]; then import -window "$id" "$out"; else import -window root "$out"; fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
' _ "$out" "$wait" "$@"
echo "$out"

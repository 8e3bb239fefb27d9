#!/usr/bin/env bash
# One run of the thumbnail figures, ours beside the peers on the same files (wall time, best of
# RUNS; ratio = peer / ours, above 1 means we are faster):
#   - the start of the tool: 50 starts of `vexilo-cli --help` beside 50 of `convert -version`;
#   - scans with thumbnails of 8 photo-like 1920 x 1080 pictures per format (PNG, JPEG, GIF, TGA,
#     BMP) and of 200 small icons: `vexilo-cli scan --thumbnails` beside
#     `gm mogrify -thumbnail 32x32`, cold (no thumbnail cache) and warm (cache filled);
#   - single loads of every format: `vexilo-cli probe FILE` beside `convert FILE null:`;
#   - the peak memory of a scan of 100,000 files with and without thumbnails (/usr/bin/time),
#     and the bytes a row costs with thumbnails.
#   bench/thumbnails.sh [--cli PATH] [--runs N] [--no-memory] [BUILD_DIR]
# --cli times another build's vexilo-cli (an earlier revision, for before-and-after figures).
# The sets are made once by bench_peers (build with -DVEXILO_BENCH=ON) and kept in
# VEXILO_BENCH_DIR (default /tmp/vexilo-bench-thumbnails).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli="" runs=3 memory=1 build="$here/../build"
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) cli=$(realpath "$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --no-memory) memory=0; shift ;;
    *) build=$1; shift ;;
  esac
done
build=$(realpath "$build")
cli=${cli:-$build/bin/vexilo-cli}
peers="$build/bench/bench_peers"
[ -x "$cli" ] && [ -x "$peers" ] || {
  echo "thumbnails: build with -DVEXILO_BENCH=ON first ($cli, $peers)" >&2
  exit 2
}
# shellcheck source=bench/peers.sh
. "$here/peers.sh"
gm=$VEXILO_GM
convert=$VEXILO_IM_CONVERT
[ -n "$gm" ] && [ -n "$convert" ] || { echo "thumbnails: run bench/setup.sh for the peers" >&2; exit 2; }

sets=${VEXILO_BENCH_DIR:-/tmp/vexilo-bench-thumbnails}
mkdir -p "$sets"
for filter in BM_ScanPhotos BM_ScanIcons; do
  VEXILO_BENCH_DIR="$sets" VEXILO_BENCH_PHOTOS=8 VEXILO_BENCH_ICONS=200 VEXILO_GM=/nonexistent \
    "$peers" --benchmark_filter="$filter" >/dev/null 2>&1
done
work=$(mktemp -d /tmp/vexilo-bench-thumbnails-run.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Our thumbnail cache lives in a scratch folder, so a cold run is cold and the user's is untouched.
export XDG_CACHE_HOME="$work/cache"

# Best wall time in seconds of a command over $runs runs; $1 = runs, the rest the command.
best_of() {
  local n=$1 best="" start end t
  shift
  for _ in $(seq "$n"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "thumbnails: failed: $*" >&2; return 1; }
    end=$(date +%s%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.4f", (b - a) / 1e9}')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN{exit !(t < b)}'; then best=$t; fi
  done
  echo "$best"
}
ratio() { awk -v p="$1" -v o="$2" 'BEGIN{printf "%.2f", p / (o > 0 ? o : 0.0001)}'; }
starts() {  # 50 starts of a command, as one figure
  for _ in $(seq 50); do "$@" >/dev/null 2>&1; done
}

echo "machine: $(nproc) processors; load $(cut -d' ' -f1-3 /proc/loadavg); ours: $cli"

ours=$(best_of "$runs" starts "$cli" --help)
theirs=$(best_of "$runs" starts "$convert" -version)
printf '\n%-10s %10s %10s %7s\n' start ours_s convert_s ratio
printf '%-10s %10s %10s %7s\n' "50 starts" "$ours" "$theirs" "$(ratio "$theirs" "$ours")"

# Cold and warm need the cache switch; a build without one reports cold scans only.
# HOOK (thumbnail cache): with `scan --no-cache`, cold runs pass it and warm runs scan twice with
# the cache on, the first run filling it.
cold=() warm=0
if "$cli" scan --help 2>&1 | grep -q -- '--no-cache'; then
  cold=(--no-cache)
  warm=1
fi
printf '\n%-12s %9s %9s %7s %9s %11s\n' scan ours_cold gm ratio ours_warm cold/warm
for s in photos.png photos.jpg photos.gif photos.tga photos.bmp icons; do
  dir="$sets/$s"
  format=()
  [ "$s" = icons ] && format=(-format png)  # gm cannot write ICO
  rm -rf "$work/gm"
  mkdir -p "$work/gm"
  o=$(best_of "$runs" "$cli" scan --thumbnails "${cold[@]}" "$dir")
  g=$(best_of "$runs" "$gm" mogrify "${format[@]}" -output-directory "$work/gm" -create-directories \
        -thumbnail 32x32 "$dir"/*)
  w=- cw=-
  if [ "$warm" = 1 ]; then
    "$cli" scan --thumbnails "$dir" >/dev/null
    w=$(best_of "$runs" "$cli" scan --thumbnails "$dir")
    cw=$(ratio "$o" "$w")
  fi
  printf '%-12s %9s %9s %7s %9s %11s\n' "$s" "$o" "$g" "$(ratio "$g" "$o")" "$w" "$cw"
done

printf '\n%-12s %9s %9s %7s\n' load ours convert ratio
for s in png jpg gif tga bmp; do
  file=$(find "$sets/photos.$s" -type f | sort | head -1)
  o=$(best_of "$runs" "$cli" probe "$file")
  c=$(best_of "$runs" "$convert" "$file" null:)
  printf '%-12s %9s %9s %7s\n' "$s" "$o" "$c" "$(ratio "$c" "$o")"
done

[ "$memory" = 1 ] || exit 0
# 100,000 rows: the 200 icons linked 500 times over, one folder of 200 per copy.
many="$sets/many"
if [ ! -e "$many.done" ]; then
  rm -rf "$many"
  mkdir -p "$many"
  for i in $(seq -w 1 500); do cp -al "$sets/icons" "$many/$i"; done
  touch "$many.done"
fi
peak() {  # peak resident KiB of one scan
  /usr/bin/time -f '%M' -o "$work/peak" "$cli" scan --subfolders "$@" "$many" >/dev/null 2>&1
  tail -1 "$work/peak"
}
with=$(peak --thumbnails "${cold[@]}")
without=$(peak --no-thumbnails)
rows=$(find "$many" -type f | wc -l)
printf '\n%-22s %12s %14s %12s\n' "scan of $rows files" thumbs_MiB no_thumbs_MiB bytes_a_row
printf '%-22s %12s %14s %12s\n' peak "$((with / 1024))" "$((without / 1024))" \
  "$(awk -v a="$with" -v b="$without" -v n="$rows" 'BEGIN{printf "%.0f", (a - b) * 1024 / n}')"

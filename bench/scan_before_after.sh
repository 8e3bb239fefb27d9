#!/usr/bin/env bash
# An earlier revision's scan beside today's on the same 2,000 mixed 48 x 48 icons (and, when asked,
# the photo sets), in the same run: `vexilo-cli scan --thumbnails FOLDER` from both builds, taking
# turns so that both see the same load. Prints the best wall time and the peak memory of each and
# the ratio (before / after: above 1 means today is faster).
#   bench/scan_before_after.sh [BUILD_DIR] [REVISION] [RUNS] [SET...]
# REVISION defaults to the last one before the loaders probed by content. SET names folders the
# peers benchmark makes: icons (default), photos.png, photos.jpg, photos.gif, photos.tga, photos.bmp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build}")
revision=${2:-2436e02^}
runs=${3:-5}
shift $(($# < 3 ? $# : 3))
sets=("$@")
[ ${#sets[@]} -gt 0 ] || sets=(icons)
after="$build/bin/vexilo-cli"
peers="$build/bench/bench_peers"
[ -x "$after" ] && [ -x "$peers" ] || {
  echo "scan_before_after: build with -DVEXILO_BENCH=ON first ($after, $peers)" >&2
  exit 2
}

# The sets, made once by the peers benchmark and kept between runs.
sets_dir=${VEXILO_BENCH_DIR:-/tmp/vexilo-bench-sets}
mkdir -p "$sets_dir"
for s in "${sets[@]}"; do
  [ -e "$sets_dir/$s.done" ] && continue
  filter=BM_ScanIcons
  [ "$s" = icons ] || filter=BM_ScanPhotos
  VEXILO_BENCH_DIR="$sets_dir" VEXILO_GM=/nonexistent "$peers" --benchmark_filter="$filter" >/dev/null
done

# The earlier revision's command line tool, built once per revision in its own folder.
commit=$(git -C "$here/.." rev-parse --short "$revision")
old_tree=/tmp/vexilo-before-$commit
if [ ! -x "$old_tree/build/bin/vexilo-cli" ]; then
  rm -rf "$old_tree"
  git -C "$here/.." archive --format=tar --prefix=src-tree/ "$commit" | tar -x -C /tmp
  mv /tmp/src-tree "$old_tree"
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$old_tree" -B "$old_tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXILO_TESTS=OFF \
    "${launcher[@]}" >/dev/null
  cmake --build "$old_tree/build" --target vexilo-cli >/dev/null
fi
before="$old_tree/build/bin/vexilo-cli"

# Best wall time (s) and peak RSS (MiB) over the runs; $1 is the result prefix, the rest the command.
declare -A best mem
timing=$(mktemp)
empty=$(mktemp -d)
trap 'rm -rf "$timing" "$empty"' EXIT
run_once() {
  local key=$1; shift
  local start end t
  start=$(date +%s%N)
  /usr/bin/time -o "$timing" -f '%M' "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  t=$(awk "BEGIN{printf \"%.4f\", ($end - $start) / 1e9}")
  if [ -z "${best[$key]:-}" ] || awk "BEGIN{exit !($t < ${best[$key]})}"; then best[$key]=$t; fi
  mem[$key]=$(($(tail -1 "$timing") / 1024))
}

# The tools' own start (an empty folder) is measured apart and taken off, so that the figures are
# the scans themselves.
for _ in $(seq $((runs * 2))); do
  run_once bstart "$before" scan --thumbnails "$empty"
  run_once astart "$after" scan --thumbnails "$empty"
done
echo "start: before ${best[bstart]} s, after ${best[astart]} s (taken off below)"

printf '%-12s %12s %12s %10s %14s %14s\n' set before_s after_s ratio before_MiB after_MiB
for s in "${sets[@]}"; do
  folder="$sets_dir/$s"
  # Older builds print their "N rows" line on standard output: it is not a row.
  rows_before=$("$before" scan --thumbnails "$folder" 2>/dev/null | grep -cv '^[0-9]* rows$')
  rows_after=$("$after" scan --thumbnails "$folder" 2>/dev/null | grep -cv '^[0-9]* rows$')
  [ "$rows_before" = "$rows_after" ] || echo "note: $s: $rows_before rows before, $rows_after after" >&2
  for _ in $(seq "$runs"); do
    run_once "b$s" "$before" scan --thumbnails "$folder"
    run_once "a$s" "$after" scan --thumbnails "$folder"
  done
  b=$(awk "BEGIN{printf \"%.3f\", ${best[b$s]} - ${best[bstart]}}")
  a=$(awk "BEGIN{printf \"%.3f\", ${best[a$s]} - ${best[astart]}}")
  ratio=$(awk "BEGIN{printf \"%.2f\", $b / ($a > 0 ? $a : 0.001)}")
  printf '%-12s %12s %12s %10s %14s %14s\n' "$s" "$b" "$a" "$ratio" "${mem[b$s]}" "${mem[a$s]}"
done

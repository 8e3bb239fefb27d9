#!/usr/bin/env bash
# The batch conversion benchmark: 24 photo-like 1920 x 1080 PNG files to JPEG quality 80, and the
# same JPEG files back to PNG, with `vexilo-cli convert` beside ImageMagick's mogrify and
# GraphicsMagick's gm mogrify, on the same files in the same run. Every tool writes progressive
# JPEG files (the program's default), so the work is the same. Prints wall time (best of RUNS),
# peak memory, ratios and output sizes.
#   bench/batch_convert.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build}")
runs=${2:-3}
cli="$build/bin/vexilo-cli"
[ -x "$cli" ] || { echo "batch_convert: build vexilo-cli first ($cli)" >&2; exit 2; }
"$here/setup.sh"
im_mogrify=/usr/bin/mogrify-im6.q16
im_convert=/usr/bin/convert-im6.q16

work=$(mktemp -d /tmp/vexilo-bench-batch.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/png" "$work/jpg"
# Photo-like inputs: smooth fractal noise with fine detail, a different seed per file. Made by a
# peer, but the same files go to every tool; kept between runs since they take a while to make.
inputs=${VEXILO_BENCH_INPUTS:-/tmp/vexilo-bench-batch-inputs}
mkdir -p "$inputs"
for i in $(seq -w 1 24); do
  [ -s "$inputs/photo$i.png" ] && continue
  "$im_convert" -seed "$i" -size 1920x1080 plasma:fractal -blur 0x0.6 -attenuate 0.3 +noise Gaussian \
    -depth 8 -define png:color-type=2 "png:$inputs/photo$i.png.part" && mv "$inputs/photo$i.png.part" "$inputs/photo$i.png"
done
cp "$inputs"/photo*.png "$work/png/"
"$cli" convert --to jpg --quality 80 --out "$work/jpg/" "$work"/png/*.png >/dev/null

# best wall time and its peak RSS over $runs runs of: $1 = source folder, $2 = extension, rest = command
# (run inside a fresh copy of the sources; the copy is left in $work/out for the sizes).
measure() {
  local src=$1 ext=$2; shift 2
  local best="" mem="" bestcpu=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out"; mkdir "$work/out"; cp "$src"/*."$ext" "$work/out/"
    sync
    local t
    /usr/bin/time -o "$work/time" -f "%e %M %U %S" bash -c 'cd "$0" && eval "$1"' "$work/out" "$*" >/dev/null 2>&1
    t=$(tail -1 "$work/time")
    local s m cpu
    read -r s m u k <<<"$t"
    cpu=$(awk -v u="$u" -v k="$k" 'BEGIN{printf "%.2f", u + k}')
    if [ -z "$best" ] || awk "BEGIN{exit !($s < $best)}"; then best=$s; mem=$m; bestcpu=$cpu; fi
  done
  echo "$best $mem $bestcpu"
}
outsize() { du -cb "$work/out"/*."$1" | tail -1 | cut -f1; }

report() {  # $1 job name, $2 source folder, $3 source ext, $4 output ext, $5 ours, $6 im, $7 gm
  local ours im gm oursj1
  oursj1=$(measure "$2" "$3" "$5 --jobs 1"); local s1; s1=$(outsize "$4")
  ours=$(measure "$2" "$3" "$5"); local s0; s0=$(outsize "$4")
  im=$(measure "$2" "$3" "$6"); local si; si=$(outsize "$4")
  gm=$(measure "$2" "$3" "$7"); local sg; sg=$(outsize "$4")
  echo "== $1 (24 files, best of $runs: wall seconds, peak KiB, CPU seconds, output bytes)"
  printf "  %-22s %7s s %8s KiB %7s s CPU %11s B\n" "vexilo-cli" ${ours} "$s0" "vexilo-cli --jobs 1" ${oursj1} "$s1" \
    "ImageMagick mogrify" ${im} "$si" "gm mogrify" ${gm} "$sg"
  awk -v o="${ours%% *}" -v o1="${oursj1%% *}" -v i="${im%% *}" -v g="${gm%% *}" \
      -v oc="${ours##* }" -v ic="${im##* }" -v gc="${gm##* }" 'BEGIN {
    printf "  wall ratio mogrify/vexilo %.2f, gm/vexilo %.2f (vexilo on one thread: %.2f, %.2f)\n", i/o, g/o, i/o1, g/o1
    printf "  CPU ratio mogrify/vexilo %.2f, gm/vexilo %.2f\n", ic/oc, gc/oc }'
}

echo "machine: $(nproc) processors; load $(cut -d' ' -f1-3 /proc/loadavg)"
report "PNG -> JPEG quality 80" "$work/png" png jpg \
  "'$cli' convert --to jpg --quality 80 --overwrite *.png" \
  "$im_mogrify -format jpg -quality 80 -interlace Plane *.png" \
  "gm mogrify -format jpg -quality 80 -interlace Plane *.png"
report "JPEG -> PNG" "$work/jpg" jpg png \
  "'$cli' convert --to png --overwrite *.jpg" \
  "$im_mogrify -format png *.jpg" \
  "gm mogrify -format png *.jpg"

#!/usr/bin/env bash
# Frame time of every scene through the real GL device (llvmpipe on a machine without a GPU),
# headless, at 800 x 600 (or WIDTH x HEIGHT): for each scene a `-clock` run of FRAMES music
# positions 1000/60 ms apart inside the scene, minus a run of its first position alone (which
# leaves start-up and teardown out), divided by FRAMES - 1. Wall time and CPU time
# (user + sys of the whole process: the demo and llvmpipe's rasteriser threads) per frame,
# median and minimum of RUNS runs.
#
#   bench/frame-time.sh [BUILD_DIR] [RUNS] [FRAMES]      (defaults: build 3 400)
#   SCENES="TwistStackScene SwirlBlobScene" bench/frame-time.sh    only these scenes
#   WIDTH=400 HEIGHT=300 bench/frame-time.sh                         another size
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
runs=${2:-3}
frames=${3:-400}
for n in "$runs" "$frames"; do
  if ! [[ "$n" =~ ^[1-9][0-9]*$ ]]; then
    echo "frame-time: RUNS and FRAMES must be positive whole numbers" >&2
    exit 2
  fi
done
width=${WIDTH:-800}
height=${HEIGHT:-600}

# Where each scene is timed: FRAMES positions from this music time (s) on. The opening and
# the flight start where their picture is built up, the blob room after its black strobe.
scenes=(
  "OpeningBlobScene 8"
  "CameraFlightScene 30"
  "WobbleBlobScene 43.5"
  "TwistStackScene 57"
  "CreditsBlobScene 70"
  "CutBlobScene 85.5"
  "SwirlBlobScene 101"
  "BeatRoomScene 127"
  "WaterRoomScene 141"
  "FinalRoomScene 161"
)

source "$root/scripts/headless-env.sh"
export SDL_AUDIODRIVER=dummy
cmake --build "$build" --target quillmoor quillmoor_media >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-frame-time.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -r "$build/run/data.rar" "$build/run/z.ogg" "$build/run/data" "$work/"
cd "$work"

# positions START_SECONDS COUNT: the scripted clock, 60 frames a second.
positions() {
  awk -v start="$1" -v count="$2" 'BEGIN {
    for (i = 0; i < count; ++i) printf "%s%d", (i ? "," : ""), int(start * 1000 + i * 1000 / 60 + 0.5)
  }'
}

# One run; prints "wall cpu" in seconds.
measure() {
  local times
  times=$(mktemp "$work/time.XXXXXX")
  if ! /usr/bin/time -f '%e %U %S' -o "$times" "$build/run/quillmoor" -width:"$width" -height:"$height" \
      -clock:"$1" >/dev/null 2>&1; then
    echo "frame-time: quillmoor -clock run failed" >&2
    cat "$times" >&2
    exit 1
  fi
  awk '{print $1, $2 + $3}' "$times"
  rm -f "$times"
}

median() { sort -g | awk '{v[NR]=$1} END {if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
minimum() { sort -g | head -1; }

echo "frame time at ${width} x ${height}, ${frames} frames a scene, ${runs} runs; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| scene | timed from (s) | wall ms/frame, median (min) | CPU ms/frame, median (min) |"
echo "|---|---|---|---|"
for entry in "${scenes[@]}"; do
  read -r name start <<<"$entry"
  if [ -n "${SCENES:-}" ] && [[ " $SCENES " != *" $name "* ]]; then
    continue
  fi
  long=$(positions "$start" "$frames")
  short=$(positions "$start" 1)
  wall=() cpu=()
  for ((i = 0; i < runs; ++i)); do
    read -r w1 c1 < <(measure "$short")
    read -r wn cn < <(measure "$long")
    wall+=("$(awk "BEGIN{print ($wn - $w1) / ($frames - 1) * 1000}")")
    cpu+=("$(awk "BEGIN{print ($cn - $c1) / ($frames - 1) * 1000}")")
  done
  printf '| %s | %s | %.1f (%.1f) | %.1f (%.1f) |\n' "$name" "$start" \
    "$(printf '%s\n' "${wall[@]}" | median)" "$(printf '%s\n' "${wall[@]}" | minimum)" \
    "$(printf '%s\n' "${cpu[@]}" | median)" "$(printf '%s\n' "${cpu[@]}" | minimum)"
done
echo
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

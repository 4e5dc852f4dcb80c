#!/usr/bin/env bash
# Renders the whole demo (0 to 190 s) to numbered PNGs with -capture and checks every frame
# with quillmoor-capture-check (missing or undecodable frames, wrong size, frame overlay
# missing, flat or over-long black 3D area, magenta/green garbage).
#
# Usage: scripts/check-capture.sh [BUILD_DIR] [FPS] [OUT_DIR]
#   BUILD_DIR  a configured build directory (default: build); quillmoor and
#              quillmoor-capture-check are built in it
#   FPS        frames per second of the capture (default 60, the real check; 10 is a
#              quicker pass over the same timeline)
#   OUT_DIR    where the PNGs go (default: a new temporary directory, kept afterwards)
# Exit status 0 when every frame passes.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
fps=${2:-60}
out=${3:-}
if ! [[ "$fps" =~ ^[1-9][0-9]*$ ]]; then
  echo "check-capture: FPS must be a positive whole number, got '$fps'" >&2
  exit 2
fi
source "$root/scripts/headless-env.sh"

cmake --build "$build" --target quillmoor quillmoor-capture-check >/dev/null
if [ -z "$out" ]; then
  out=$(mktemp -d /tmp/quillmoor-capture.XXXXXX)
else
  mkdir -p "$out"
  out=$(realpath "$out")
  rm -f "$out"/frame_*.png
fi

echo "check-capture: rendering 0 to 190 s at $fps fps into $out"
start=$(date +%s.%N)
(cd "$build/run" && ./quillmoor -capture:"$out" -fps:"$fps" -until:190)
rendered=$(date +%s.%N)
echo "check-capture: rendered $(ls "$out" | grep -c '^frame_.*\.png$') frames in $(awk "BEGIN{print $rendered - $start}") s"
status=0
"$build/bench/quillmoor-capture-check" "$out" "$fps" 190 || status=$?
echo "check-capture: checked in $(awk "BEGIN{print $(date +%s.%N) - $rendered}") s; frames kept in $out"
exit $status

#!/usr/bin/env bash
# Start-up time and per-frame CPU cost of the real program, headless, from the run directory.
#
# Start-up: wall time of `quillmoor -windowed -quitafterframe:0` from process start to exit.
# That run presents exactly one frame and quits right after it, so its wall time is the time
# to the first Present plus the teardown (closing the window, device and log); it is an upper
# bound of the time to the first Present, and the figure the issue asks for.
# Loop: user+sys CPU time of `-windowed -quitafterframe:FRAMES` minus that of the
# `-quitafterframe:0` run, divided by FRAMES: the CPU one frame of the loop costs (the scene
# and the GL driver, which on a machine without a GPU is the llvmpipe rasteriser, so this
# includes the pixels). The wall time per frame is reported the same way.
# Every figure is the median of RUNS runs.
#
# Usage: scripts/bench-startup.sh [BUILD_DIR] [RUNS] [FRAMES]   (defaults: build 7 300)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
runs=${2:-7}
frames=${3:-300}
for n in "$runs" "$frames"; do
  if ! [[ "$n" =~ ^[1-9][0-9]*$ ]]; then
    echo "bench-startup: RUNS and FRAMES must be positive whole numbers" >&2
    exit 2
  fi
done
source "$root/scripts/headless-env.sh"
cmake --build "$build" --target quillmoor >/dev/null
cd "$build/run"

median() { sort -g | awk '{v[NR]=$1} END {if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }

# One run; prints "wall cpu" in seconds.
measure() {
  local out
  out=$(mktemp)
  if ! /usr/bin/time -f '%e %U %S' -o "$out" ./quillmoor -windowed -quitafterframe:"$1" >/dev/null 2>&1; then
    echo "bench-startup: quillmoor -quitafterframe:$1 failed" >&2
    cat "$out" >&2
    rm -f "$out"
    exit 1
  fi
  awk '{print $1, $2 + $3}' "$out"
  rm -f "$out"
}

./quillmoor -windowed -quitafterframe:0 >/dev/null 2>&1 # warm the page cache
startWall=() startCpu=() loopWall=() loopCpu=()
for ((i = 0; i < runs; ++i)); do
  read -r w c < <(measure 0)
  startWall+=("$w") startCpu+=("$c")
  read -r lw lc < <(measure "$frames")
  loopWall+=("$(awk "BEGIN{print ($lw - $w) / $frames * 1000}")")
  loopCpu+=("$(awk "BEGIN{print ($lc - $c) / $frames * 1000}")")
done

echo "runs: $runs, loop frames: $frames, load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "start-up (process start to exit after the first Present), median: $(printf '%s\n' "${startWall[@]}" | median) s wall, $(printf '%s\n' "${startCpu[@]}" | median) s CPU"
echo "  all runs (s): ${startWall[*]}"
echo "loop, per frame, median: $(printf '%s\n' "${loopCpu[@]}" | median) ms CPU (user+sys), $(printf '%s\n' "${loopWall[@]}" | median) ms wall"
echo "  CPU per frame, all runs (ms): ${loopCpu[*]}"

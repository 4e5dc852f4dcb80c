#!/usr/bin/env bash
# Start-up time and per-frame CPU cost of the real program, headless, from the run directory.
#
# Start-up: `-quitafterframe:0` means "no limit" (the option's default), so the shortest
# run is `quillmoor -windowed -quitafterframe:1`, which presents two frames and quits right
# after the second Present. Its wall time, from process start to exit, minus one loop frame
# (measured below) is the time to the first Present; it still includes the teardown
# (closing the window, device and log), so it is an upper bound. Both figures are printed.
# Loop: the difference between `-quitafterframe:FRAMES+1` and `-quitafterframe:1` runs,
# divided by FRAMES: user+sys CPU time per frame (the scene and the GL driver, which on a
# machine without a GPU is the llvmpipe rasteriser, so it includes the pixels), and the
# wall time per frame.
# Memory: the peak resident set of the -quitafterframe:1 runs (start-up and two frames), and
# the steady resident set of playback, the last sample of the long runs' VmRSS.
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

# One run; prints "wall cpu peakKiB" (seconds, seconds, KiB).
measure() {
  local out
  out=$(mktemp)
  if ! /usr/bin/time -f '%e %U %S %M' -o "$out" ./quillmoor -windowed -quitafterframe:"$1" >/dev/null 2>&1; then
    echo "bench-startup: quillmoor -quitafterframe:$1 failed" >&2
    cat "$out" >&2
    rm -f "$out"
    exit 1
  fi
  awk '{print $1, $2 + $3, $4}' "$out"
  rm -f "$out"
}

# One playback run of $1 frames; prints its resident set in KiB near the end.
steady_rss() {
  ./quillmoor -windowed -quitafterframe:"$1" >/dev/null 2>&1 &
  local pid=$! rss=0 now
  while now=$(awk '/^VmRSS:/{print $2}' "/proc/$pid/status" 2>/dev/null) && [ -n "$now" ]; do
    rss=$now
    sleep 0.2
  done
  wait "$pid" || true
  echo "$rss"
}

./quillmoor -windowed -quitafterframe:1 >/dev/null 2>&1 # warm the page cache
startWall=() startCpu=() loopWall=() loopCpu=() peakRss=() steadyRss=()
for ((i = 0; i < runs; ++i)); do
  read -r w c p < <(measure 1)
  startWall+=("$w") startCpu+=("$c") peakRss+=("$p")
  steadyRss+=("$(steady_rss $((frames + 1)))")
  read -r lw lc _ < <(measure $((frames + 1)))
  loopWall+=("$(awk "BEGIN{print ($lw - $w) / $frames * 1000}")")
  loopCpu+=("$(awk "BEGIN{print ($lc - $c) / $frames * 1000}")")
done

echo "runs: $runs, loop frames: $frames, load average: $(cut -d' ' -f1-3 /proc/loadavg)"
frameWall=$(printf '%s\n' "${loopWall[@]}" | median)
twoFrames=$(printf '%s\n' "${startWall[@]}" | median)
echo "start-up to exit after the second Present (-quitafterframe:1), median: $twoFrames s wall, $(printf '%s\n' "${startCpu[@]}" | median) s CPU"
echo "  all runs (s): ${startWall[*]}"
echo "start-up to the first Present (the above minus one loop frame), median: $(awk "BEGIN{print $twoFrames - $frameWall / 1000}") s"
echo "loop, per frame, median: $(printf '%s\n' "${loopCpu[@]}" | median) ms CPU (user+sys), $frameWall ms wall"
echo "  CPU per frame, all runs (ms): ${loopCpu[*]}"
echo "resident set, median: start-up peak $(printf '%s\n' "${peakRss[@]}" | median) KiB, playback $(printf '%s\n' "${steadyRss[@]}" | median) KiB"

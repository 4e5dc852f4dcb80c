#!/usr/bin/env bash
# Soaks that show the demo's memory stays flat, headless (SDL's offscreen video and dummy
# sound drivers), in a scratch copy of the run directory under the temporary directory.
#
#   bench/soak.sh playback [BUILD_DIR] [SECONDS] [INTERVAL] [SETTLE]   (build 195 5 10)
# Plays the whole demo in real time, windowed (800 x 600), following the wall clock as on a
# machine without a sound device, and samples the resident set size every INTERVAL
# seconds from the moment the music starts (start-up deleting its extracted media marks
# it). The demo never ends by itself: SECONDS after the music started (past its 190 s) the
# script sends it SIGTERM, which the program takes as a request to close its window.
# Prints the start-up time and resident set, one line per sample ("music_seconds
# rss_MiB"), then the run's peak (VmHWM), the lowest and highest sample from SETTLE seconds
# of music on, the growth from then to the last sample, and the exit code.
#
#   bench/soak.sh cycles [BUILD_DIR] [CYCLES] [SAMPLE]   (build 200 20)
# Runs quillmoor-lifecycle-soak: the demo loaded, then CYCLES rounds of Alt+Enter there and
# back and a window resize, a frame rendered after each step (the music position passing
# through all ten scenes twice, so the second half of the rounds shows any growth that is not
# a scene's first draw), the resident set printed every SAMPLE rounds and at the end of the
# first pass, and the framework's exit code after shutdown (non-zero when a reference was
# left on a device).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-}
if [ "$mode" != playback ] && [ "$mode" != cycles ]; then
  echo "usage: bench/soak.sh playback [BUILD_DIR] [SECONDS] [INTERVAL] [SETTLE]" >&2
  echo "       bench/soak.sh cycles [BUILD_DIR] [CYCLES] [SAMPLE]" >&2
  exit 2
fi
build=$(realpath "${2:-$root/build}")
if [ "$mode" = playback ]; then
  numbers=("${3:-195}" "${4:-5}" "${5:-10}")
else
  numbers=("${3:-200}" "${4:-20}")
fi
for n in "${numbers[@]}"; do
  if ! [[ "$n" =~ ^[1-9][0-9]*$ ]]; then
    echo "soak: the counts and times must be positive whole numbers" >&2
    exit 2
  fi
done
if [ ! -x "$build/run/quillmoor" ] || [ ! -f "$build/run/data.rar" ]; then
  echo "soak: no built program and media in $build/run (cmake --build $build first)" >&2
  exit 2
fi
source "$root/scripts/headless-env.sh"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-soak.XXXXXX")
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
cp "$build/run/data.rar" "$build/run/z.ogg" "$work/"
cp -r "$build/run/data" "$work/"

if [ "$mode" = cycles ]; then
  cmake --build "$build" --target quillmoor-lifecycle-soak >/dev/null
  cd "$work"
  "$build/bench/quillmoor-lifecycle-soak" "${numbers[0]}" "${numbers[1]}" 2>stderr.txt | grep -v '^OK\.$\|^$' || {
    status=$?
    cat stderr.txt >&2
    exit "$status"
  }
  exit 0
fi
seconds=${numbers[0]}
interval=${numbers[1]}
settle=${numbers[2]}

cd "$work"
"$build/run/quillmoor" -windowed >stdout.txt 2>stderr.txt &
pid=$!
launched=$(date +%s.%N)

since() { awk -v a="$(date +%s.%N)" -v b="$1" 'BEGIN {printf "%.1f", a - b}'; }
status_kib() { awk -v field="$1:" '$1 == field {print $2}' "/proc/$pid/status" 2>/dev/null || true; }
alive() {
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "soak: the program ended early" >&2
    cat stderr.txt >&2
    exit 1
  fi
}

# The music starts right after start-up deletes the media it extracted from data.rar.
marker=data/textures/blob.jpg
until [ -e "$marker" ]; do alive; sleep 0.2; done
while [ -e "$marker" ]; do alive; sleep 0.2; done
started=$(date +%s.%N)
echo "start-up: $(since "$launched") s wall, resident $(awk -v k="$(status_kib VmRSS)" 'BEGIN {printf "%.1f", k / 1024}') MiB, peak so far $(awk -v k="$(status_kib VmHWM)" 'BEGIN {printf "%.1f", k / 1024}') MiB"

samples=()
echo "music_seconds rss_MiB"
while true; do
  sleep "$interval"
  alive
  elapsed=$(since "$started")
  rss=$(status_kib VmRSS)
  peak=$(status_kib VmHWM)
  awk -v t="$elapsed" -v k="$rss" 'BEGIN {printf "%.0f %.1f\n", t, k / 1024}'
  samples+=("$elapsed $rss")
  if awk -v t="$elapsed" -v s="$seconds" 'BEGIN {exit !(t >= s)}'; then
    break
  fi
done

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=

printf '%s\n' "${samples[@]}" | awk -v settle="$settle" -v peak="$peak" -v status="$status" '
  $1 >= settle {
    if (first == "") { first = $2; firstAt = $1; low = $2; high = $2 }
    low = $2 < low ? $2 : low; high = $2 > high ? $2 : high; last = $2; lastAt = $1
  }
  END {
    printf "peak resident set of the run (VmHWM): %.1f MiB\n", peak / 1024
    printf "playing, from %.0f s of music on: lowest %.1f, highest %.1f MiB\n", firstAt, low / 1024, high / 1024
    printf "growth from %.0f s to %.0f s of music: %+.1f MiB\n", firstAt, lastAt, (last - first) / 1024
    printf "exit code after SIGTERM: %d\n", status
  }'

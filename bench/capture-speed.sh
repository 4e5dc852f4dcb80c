#!/usr/bin/env bash
# Capture speed of the real program, headless: wall and CPU time (user+sys, ffmpeg's
# included) of `quillmoor -capture` from 0 to UNTIL seconds into a video (.mp4) and into a
# directory of PNGs, with two runs that split the cost:
#   start   `-shots:0`, one frame: start-up and teardown, subtracted from the others
#   render  `-shots:LAST`, every frame of the stretch drawn at the capture's fixed step
#           and only the last one read back: what the capture costs without its output
# and ffmpeg's own CPU time (through a wrapper on PATH). Per frame means per captured
# frame after start-up; "x real" is the stretch's length over the run's whole wall time.
# Every figure is the median (and minimum) of RUNS runs.
#
# Usage: bench/capture-speed.sh [BUILD_DIR] [UNTIL=20] [RUNS=3] [KINDS="start render mp4 png"]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
until=${2:-20}
runs=${3:-3}
kinds=${4:-start render mp4 png}
fps=60
if ! [[ "$until" =~ ^[0-9]+(\.[0-9]+)?$ ]] || ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "capture-speed: UNTIL must be a number of seconds and RUNS a positive whole number" >&2
  exit 2
fi
source "$root/scripts/headless-env.sh"
cmake --build "$build" --target quillmoor >/dev/null
cd "$build/run"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-capture-speed.XXXXXX")
trap 'rm -rf "$work"' EXIT
real_ffmpeg=$(command -v ffmpeg)
mkdir -p "$work/bin"
cat >"$work/bin/ffmpeg" <<WRAP
#!/usr/bin/env bash
exec /usr/bin/time -a -o "$work/ffmpeg.time" -f '%U %S' "$real_ffmpeg" "\$@"
WRAP
chmod +x "$work/bin/ffmpeg"

frames=$(awk "BEGIN{f = $until * $fps; n = int(f); if (n < f - 1e-9) n++; print n}")
last_ms=$(((frames - 1) * 1000 / fps))
last_shot=$(printf '%d.%03d' $((last_ms / 1000)) $((last_ms % 1000)))

median() { sort -g | awk '{v[NR]=$1} END {if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
minimum() { sort -g | head -1; }

# One run of KIND; prints "wall cpu ffmpeg_cpu".
measure() {
  local kind=$1 args
  rm -rf "$work/out" "$work/ffmpeg.time"
  mkdir -p "$work/out"
  case $kind in
    start) args=(-shots:0 -out:"$work/out") ;;
    render) args=(-shots:"$last_shot" -out:"$work/out") ;;
    mp4) args=(-capture:"$work/out/capture.mp4" -until:"$until") ;;
    png) args=(-capture:"$work/out" -until:"$until") ;;
  esac
  if ! PATH="$work/bin:$PATH" /usr/bin/time -o "$work/run.time" -f '%e %U %S' ./quillmoor "${args[@]}" \
      >/dev/null 2>"$work/run.err"; then
    echo "capture-speed: quillmoor ${args[*]} failed:" >&2
    tail -5 "$work/run.err" >&2
    exit 1
  fi
  local ff=0
  [ -f "$work/ffmpeg.time" ] && ff=$(awk '{s += $1 + $2} END {print s + 0}' "$work/ffmpeg.time")
  awk -v ff="$ff" '{print $1, $2 + $3, ff}' "$work/run.time"
}

echo "capture-speed: 0 to $until s at $fps fps ($frames frames), $runs runs each, load average $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall cpu ffcpu
for ((i = 0; i < runs; ++i)); do
  for kind in $kinds; do
    read -r w c f < <(measure "$kind")
    wall[$kind]+="$w " cpu[$kind]+="$c " ffcpu[$kind]+="$f "
  done
done
stat() { printf '%s\n' $1 | "$2"; }
start_wall=0 start_cpu=0
if [[ " $kinds " == *" start "* ]]; then
  start_wall=$(stat "${wall[start]}" median)
  start_cpu=$(stat "${cpu[start]}" median)
fi
printf '%-7s %12s %12s %9s %16s %16s %14s\n' run "wall s" "(min)" "x real" "wall ms/frame" "CPU ms/frame" "ffmpeg ms/fr"
for kind in $kinds; do
  w=$(stat "${wall[$kind]}" median)
  wmin=$(stat "${wall[$kind]}" minimum)
  c=$(stat "${cpu[$kind]}" median)
  f=$(stat "${ffcpu[$kind]}" median)
  if [ "$kind" = start ]; then
    printf '%-7s %12.2f %12.2f %9s %16s %16s %14s\n' "$kind" "$w" "$wmin" - - "($c s)" -
  else
    awk -v k="$kind" -v w="$w" -v wmin="$wmin" -v c="$c" -v f="$f" -v sw="$start_wall" -v sc="$start_cpu" \
      -v n="$frames" -v u="$until" 'BEGIN {
        printf "%-7s %12.2f %12.2f %9.2f %16.2f %16.2f %14.2f\n", k, w, wmin, u / w, (w - sw) * 1000 / n,
               (c - sc) * 1000 / n, f * 1000 / n }'
  fi
  echo "        all runs, wall s: ${wall[$kind]}; CPU s: ${cpu[$kind]}"
done

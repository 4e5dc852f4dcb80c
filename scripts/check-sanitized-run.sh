#!/usr/bin/env bash
# The whole program under AddressSanitizer with leak detection: a scripted-clock run that
# crosses every scene change (the frame before and the frame at each one, the start and
# the end), then a few seconds of -capture to a video. Passes when both runs exit 0 and
# neither prints a sanitizer report. The asan build registers it as a test.
#
# Usage: scripts/check-sanitized-run.sh BUILD_DIR   (a built asan build directory)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:?usage: check-sanitized-run.sh BUILD_DIR}")
source "$root/scripts/headless-env.sh"
export SDL_AUDIODRIVER=dummy
# Leak detection here, whatever the caller set: the unit tests run without it (their fixtures
# keep recording devices alive on purpose), the whole program must free what it makes.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Scene changes in milliseconds of music (shell/scene_schedule.h), and the end.
changes=(0 28000 42696 56078 69204 84827 100000 113000 139863 160248 190000)
clock=""
for ms in "${changes[@]}"; do
  [ "$ms" -ge 16 ] && clock+="$((ms - 16)),"
  clock+="$ms,"
done
clock=${clock%,}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-sanitized.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$build/run/data.rar" "$build/run/z.ogg" "$work/"
cp -r "$build/run/data" "$work/data"

failed=0
run() {
  local name=$1
  shift
  local status=0
  (cd "$work" && timeout 900 "$build/run/quillmoor" "$@") >"$work/$name.out" 2>"$work/$name.err" </dev/null ||
    status=$?
  if [ "$status" -ne 0 ] || grep -qE 'Sanitizer|runtime error:' "$work/$name.err"; then
    echo "check-sanitized-run: $name run failed (exit $status):" >&2
    tail -n 60 "$work/$name.err" >&2
    failed=1
  else
    echo "check-sanitized-run: $name run clean"
  fi
}

run clock "-clock:$clock"
if command -v ffmpeg >/dev/null; then
  run capture -capture:capture.mkv -until:3 -fps:10
  if [ ! -s "$work/capture.mkv" ]; then
    echo "check-sanitized-run: capture wrote no video" >&2
    failed=1
  fi
else
  echo "check-sanitized-run: no ffmpeg, capture run skipped" >&2
  failed=1
fi
exit "$failed"

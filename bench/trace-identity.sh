#!/usr/bin/env bash
# Checks that a change leaves what the demo calls untouched: runs a scripted-clock run across
# every scene change with -trace, and compares the trace byte for byte with that of another
# binary or with a saved baseline. Standard output (the extraction lines) and the log are
# compared too, with the log's dated banners masked: the date is the only thing in them that
# may differ between two runs. Start-up is not traced, so caches and timing never reach the
# trace; each run gets a fresh XDG_CACHE_HOME, so one run's disk cache cannot feed the other.
#
#   bench/trace-identity.sh OLD_BINARY NEW_BINARY      run both and compare
#   bench/trace-identity.sh --save DIR BINARY          save BINARY's run as a baseline in DIR
#   bench/trace-identity.sh DIR NEW_BINARY             compare NEW_BINARY with the baseline
#
# Both runs use the media of MEDIA_DIR (default: the run directory of NEW_BINARY, that is
# the directory holding it, e.g. build/run). Exit code 0 when identical, 1 when not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  sed -n '10,12p' "$0" | sed 's/^# *//' >&2
  exit 2
}

save=""
if [ "${1:-}" = "--save" ]; then
  [ $# -eq 3 ] || usage
  save=$(realpath -m "$2")
  old=""
  new=$(realpath "$3")
else
  [ $# -eq 2 ] || usage
  old=$1
  new=$(realpath "$2")
fi
[ -x "$new" ] || { echo "trace-identity: no program at $new" >&2; exit 2; }
media=$(realpath "${MEDIA_DIR:-$(dirname "$new")}")
for f in data.rar z.ogg data; do
  [ -e "$media/$f" ] || { echo "trace-identity: no $f in $media (set MEDIA_DIR)" >&2; exit 2; }
done

# 60 frames a second, as played: the first frames, five frames either side of every scene
# change (the change itself included) and a few inside every scene.
clock() {
  awk 'BEGIN {
    n = split("28 42.696 56.078 69.204 84.827 100 113 139.863 160.248 190", change, " ");
    n2 = split("14 35 49 62.5 77 92 106.5 126 150 175", inside, " ");
    step = 1000 / 60;
    for (i = 0; i < 10; ++i) ms[int(i * step + 0.5)] = 1;
    for (c = 1; c <= n; ++c) for (i = -5; i <= 5; ++i) ms[int(change[c] * 1000 + i * step + 0.5)] = 1;
    for (c = 1; c <= n2; ++c) for (i = 0; i < 5; ++i) ms[int(inside[c] * 1000 + i * step + 0.5)] = 1;
    for (m in ms) print m;
  }' | sort -n | paste -sd, -
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-trace-identity.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
source "$root/scripts/headless-env.sh"
positions=$(clock)

# run BINARY OUT_DIR: the trace, standard output and the log with its dates masked.
run() {
  local binary=$1 out=$2 work
  work=$(mktemp -d "$scratch/work.XXXXXX")
  cp -r "$media/data.rar" "$media/z.ogg" "$media/data" "$work/"
  mkdir -p "$out" "$work/cache"
  if ! (cd "$work" && XDG_CACHE_HOME="$work/cache" SDL_AUDIODRIVER=dummy \
        "$binary" -clock:"$positions" -trace:trace.jsonl >"$out/stdout.txt" 2>"$out/stderr.txt"); then
    echo "trace-identity: $binary failed; its standard error:" >&2
    cat "$out/stderr.txt" >&2
    exit 2
  fi
  mv "$work/trace.jsonl" "$out/trace.jsonl"
  sed -E 's/log (started|ended) on: .* -/log \1 on: DATE -/' "$work/bramble.txt" >"$out/log.txt"
  (cd "$media" && find data.rar z.ogg data -type f -print0 | sort -z | xargs -0 sha256sum) >"$out/media.sha256"
  rm -rf "$work"
}

if [ -n "$save" ]; then
  run "$new" "$save"
  echo "trace-identity: saved the run of $new ($(wc -l <"$save/trace.jsonl") traced calls) in $save" >&2
  exit 0
fi

if [ -d "$old" ]; then
  baseline=$old
  [ -f "$baseline/trace.jsonl" ] || { echo "trace-identity: $baseline holds no saved run" >&2; exit 2; }
else
  [ -x "$old" ] || { echo "trace-identity: no program or saved run at $old" >&2; exit 2; }
  baseline=$scratch/old
  run "$(realpath "$old")" "$baseline"
fi
run "$new" "$scratch/new"

if ! cmp -s "$baseline/media.sha256" "$scratch/new/media.sha256"; then
  echo "trace-identity: warning: the baseline was made with other media than $media" >&2
fi
status=0
for f in trace.jsonl stdout.txt log.txt; do
  if cmp -s "$baseline/$f" "$scratch/new/$f"; then
    echo "identical: $f ($(wc -l <"$scratch/new/$f") lines)"
  else
    status=1
    echo "DIFFERENT: $f; first differences:"
    { diff "$baseline/$f" "$scratch/new/$f" || true; } | head -20 | cut -c1-300 || true
  fi
done
exit $status

#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each for SECONDS (default 60), one after another, on a corpus seeded from tests/data and
# the generated media. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
#
# The corpus grows in build-fuzz/corpus/TARGET and is kept between runs; a crash, hang,
# leak or sanitizer report leaves its input in build-fuzz/artifacts/TARGET/ and makes the
# script fail (the timeout is generous: a machine shared with builds stalls a run for
# seconds). Such an input, once fixed, belongs in tests/data/fuzz/TARGET/, where the
# test suite replays it. Run long sessions with `nice -n 19`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true

scripts/install-deps.sh
# libFuzzer and the sanitizer runtimes come with clang's compiler-rt.
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The generated media seed the corpora; the default build makes them.
cmake --preset default >/dev/null
cmake --build --preset default --target quillmoor_media
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

source scripts/headless-env.sh
export SDL_AUDIODRIVER=dummy
media=build/media-staging
run=build/run

# Seeds of one target, copied into a fresh directory. Inputs longer than the target's
# -max_len are cut to it (the head of a file still carries its headers); image seeds are
# taken whole or not at all, so every format starts from a file that decodes.
declare -A max_len=([rar_archive]=131072 [x_mesh]=32768 [effect_file]=16384 [dds_reader]=131072
                    [texture_file]=65536 [music_stream]=16384 [command_line]=4096)
seed_dir=build-fuzz/seeds
add_seeds() {
  local target=$1
  shift
  rm -rf "${seed_dir:?}/$target"
  mkdir -p "$seed_dir/$target"
  local f
  for f in "$@"; do
    [ -f "$f" ] || continue
    head -c "${max_len[$target]}" "$f" >"$seed_dir/$target/$(echo "$f" | tr '/' '_')"
  done
}
small_files() {
  find "$@" -type f -size -"$((max_len[texture_file] / 1024))"k 2>/dev/null | sort
}
seed() {
  case $1 in
    rar_archive) add_seeds "$1" tests/data/rar/*.rar ../shared/testdata/rar/**/*.rar "$run/data.rar" ;;
    x_mesh) add_seeds "$1" tests/data/**/*.x "$media"/**/*.x "$media"/**/*.X ;;
    effect_file) add_seeds "$1" tests/data/fx/*.fx media/*.fx ;;
    dds_reader) add_seeds "$1" "$media"/**/*.dds ;;
    texture_file)
      # Decoding time grows with the pixels an image declares, not its bytes: the demo's
      # textures (up to 1024 x 1024 in 60 KB) ran at one input a second, so the seeds are
      # small images of every format and layout, made from them, plus the small DDS files.
      local images
      mapfile -t images < <(small_files "$media"/**/*.dds)
      add_seeds "$1" fuzz/seeds/texture_file/* "${images[@]}"
      ;;
    music_stream) add_seeds "$1" "$run/z.ogg" ;;
    command_line) add_seeds "$1" fuzz/seeds/command_line/* ;;
    *) add_seeds "$1" ;;
  esac
}
shopt -s nullglob globstar

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in build-fuzz/fuzz/fuzz_*; do
    targets+=("${program#build-fuzz/fuzz/fuzz_}")
  done
fi

failed=()
summary=()
for target in "${targets[@]}"; do
  corpus=$root/build-fuzz/corpus/$target
  artifacts=$root/build-fuzz/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  seed "$target"
  regressions=()
  [ -d "tests/data/fuzz/$target" ] && regressions=("tests/data/fuzz/$target")
  options=(-max_total_time="$seconds" -max_len="${max_len[$target]:-65536}" -timeout=60 -rss_limit_mb=3072
           -malloc_limit_mb=1024
           -print_final_stats=1 -artifact_prefix="$artifacts/")
  # Extra libFuzzer options for long runs, e.g. FUZZ_OPTIONS="-fork=1 -ignore_crashes=1".
  read -r -a extra <<<"${FUZZ_OPTIONS:-}"
  options+=("${extra[@]}")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
  log=build-fuzz/$target.log
  echo "== fuzz_$target for ${seconds}s (log: $log)" >&2
  # A separate working directory: run-mode options may name files to write.
  workdir=$(mktemp -d)
  status=0
  (cd "$workdir" && "$root/build-fuzz/fuzz/fuzz_$target" "${options[@]}" "$corpus" \
    "$root/$seed_dir/$target" "${regressions[@]/#/$root/}") >"$log" 2>&1 || status=$?
  rm -rf "$workdir"
  runs=$(grep -Eo '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)
  coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+[^ ]*' "$log" | tail -n 1 || true)
  summary+=("$target: ${runs:-?} runs, ${coverage:-no coverage line}, exit $status")
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    grep -E 'ERROR: |SUMMARY: |Test unit written' "$log" >&2 || tail -n 20 "$log" >&2
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi

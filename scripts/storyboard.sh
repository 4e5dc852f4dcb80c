#!/usr/bin/env bash
# Renders three stills of every scene and assembles them into a contact sheet,
# docs/storyboard.jpg, for the README.
#
#   scripts/storyboard.sh               # builds into build/ when the program is missing there
#   BUILD_DIR=path scripts/storyboard.sh  # uses an existing build directory instead
#
# Needs ImageMagick's montage, which it installs when missing (the build itself does not).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-$root/build}
out=$root/docs/storyboard.jpg

# Three moments of each of the ten scenes, in music seconds. The greetings flash and fade in
# 0.67 s, so the last scene's middle still is taken just after one appears.
times=(
  5 16 22            # opening blob: logo, camera moving in, twisted blob up close
  31 33.5 36         # camera flight with particle trails
  45 50 55           # wobbling blob with beat squares
  59 63.5 68         # twisting stack in the flare stream
  72 77 81           # tumbling blob with credits
  86 91 96           # camera cuts around the twisting tower
  102 106 111        # swirling blob
  118.5 128.5 136    # blob room with beat cuts
  143.5 148.5 156    # water room
  163.5 173.8 185    # final room, greetings, closing logo
)

if ! command -v montage >/dev/null 2>&1; then
  echo "Installing ImageMagick for montage..." >&2
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  $sudo_cmd apt-get install -y --no-install-recommends imagemagick >/dev/null
fi

if [ ! -x "$build/run/quillmoor" ]; then
  scripts/install-deps.sh
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target quillmoor
fi

shots=$(mktemp -d /tmp/quillmoor-storyboard.XXXXXX)
trap 'rm -rf "$shots"' EXIT
# Shots never need a window or a sound device.
source scripts/headless-env.sh
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

# One run steps its fixed clock from 0 through every time; 10 frames a second keeps it quick.
list=$(IFS=,; echo "${times[*]}")
echo "Rendering ${#times[@]} stills..." >&2
(cd "$build/run" && ./quillmoor -fps:10 -shots:"$list" -out:"$shots" >/dev/null)

# One scene per column, its three moments top to bottom.
files=()
for row in 0 1 2; do
  for scene in 0 1 2 3 4 5 6 7 8 9; do
    t=${times[$((scene * 3 + row))]}
    f=$(printf '%s/shot_%07.3f.png' "$shots" "$t")
    if [ ! -f "$f" ]; then
      echo "storyboard: missing still $f" >&2
      exit 1
    fi
    files+=("-label" "$(printf '%g s' "$t")" "$f")
  done
done

mkdir -p "$(dirname "$out")"
montage "${files[@]}" -tile 10x -geometry 160x120+2+2 -background '#101018' -fill '#c0c8e0' \
  -pointsize 10 -strip -quality 80 "$out"
echo "Wrote $out ($(du -k "$out" | cut -f1) KiB)" >&2

#!/usr/bin/env bash
# Installs the Debian 12 packages Quillmoor needs to build, test and play; with --web also
# those of the browser build and its test (about 1.4 GiB: emscripten, Node.js, Chromium).
# Idempotent: asks apt only for what is missing, and refreshes its lists only then.
set -euo pipefail

web=0
case "${1:-}" in
  --web) web=1 ;;
  "") ;;
  *) echo "usage: scripts/install-deps.sh [--web]" >&2; exit 2 ;;
esac

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libsdl2-dev libepoxy-dev libstb-dev libvorbis-dev libogg-dev zlib1g-dev
  libgl1-mesa-dri libegl-mesa0 libegl1 libegl-dev libgl-dev
  glslang-dev glslang-tools spirv-cross libspirv-cross-c-shared-dev spirv-tools libfast-float-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth ffmpeg fonts-dejavu-core pulseaudio pulseaudio-utils
)
if [ "$web" -eq 1 ]; then
  # The browser build (scripts/web.sh) and its test in headless Chromium.
  packages+=(emscripten nodejs chromium)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# npm comes with some Node.js builds (and then conflicts with Debian's npm package): ask for
# Debian's only where no npm is there.
if [ "$web" -eq 1 ] && ! command -v npm >/dev/null; then
  missing+=(npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}" >&2
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

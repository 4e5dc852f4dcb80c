#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo. Without a display it renders
# the whole demo to quillmoor.mp4 in the current directory instead.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
# The program and its generated media only; the tests are scripts/test.sh's business.
cmake --build --preset default --target quillmoor
source scripts/headless-env.sh
cd build/run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: rendering the demo to $here/quillmoor.mp4 instead of playing it." >&2
  exec ./quillmoor -capture:"$here/quillmoor.mp4" "$@"
fi
exec ./quillmoor "$@"

#!/usr/bin/env bash
# Builds Quillmoor for the browser (WebAssembly and WebGL 2) and serves it on 127.0.0.1.
#
#   scripts/web.sh            build, then serve on a free port and print the address
#   scripts/web.sh --port N   serve on port N
#   scripts/web.sh --build    build only (build-web/site/ is the static folder to publish)
#
# Installs what is missing (emscripten, Node.js, ...), builds the native tools and media the
# page needs (the media generator and the effect translator), then the browser build.
set -euo pipefail
cd "$(dirname "$0")/.."

serve=1
port=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) serve=0 ;;
    --port) port="${2:?--port needs a number}"; shift ;;
    *) echo "usage: scripts/web.sh [--build] [--port N]" >&2; exit 2 ;;
  esac
  shift
done

scripts/install-deps.sh --web

echo "Building the native media and effect translator ..." >&2
cmake --preset default >/dev/null
cmake --build --preset default --target quillmoor_media quillmoor-effects

echo "Building the browser version ..." >&2
# Debian keeps the JavaScript optimiser's modules (acorn) here.
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web

echo "The page is in build-web/site/." >&2
if [ "$serve" -eq 1 ]; then
  exec node tests/web/serve.mjs build-web/site "$port"
fi

#!/usr/bin/env bash
# The browser build played in headless Chromium and compared with the native program's
# frames (tests/web/browser.test.mjs). Builds what it needs; the native build must exist
# (scripts/test.sh runs this after it).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
scripts/web.sh --build
echo "web build: $(( $(date +%s) - start )) s" >&2
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
QUILLMOOR_SITE="$PWD/build-web/site" QUILLMOOR_NATIVE="$PWD/build/run/quillmoor" QUILLMOOR_RUN="$PWD/build/run" \
  node --test tests/web/
echo "browser test with its build: $(( $(date +%s) - start )) s" >&2

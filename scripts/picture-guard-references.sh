#!/usr/bin/env bash
# Renders the picture guard's reference frames anew into tests/data/picture_guard, from the
# program as it is built now (the same run and reduction as the guard's test,
# tests/demo/picture_guard_test.cpp).
#
# The references guard the picture against unintended change: every speed-up and every
# refactoring must pass the guard with the references as they are. Run this only when the
# picture is meant to change (a media change, a fixed rendering fault), look at the new
# pictures, and say in the commit that changes them why the picture changed.
#
#   scripts/picture-guard-references.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
references=$root/tests/data/picture_guard

source "$root/scripts/headless-env.sh"
cmake --build "$build" --target quillmoor quillmoor_media test_demo >/dev/null
mkdir -p "$references"
rm -f "$references"/shot_*.png
QUILLMOOR_PICTURE_GUARD_WRITE_TO="$references" "$build/tests/test_demo" \
  --gtest_filter='PictureGuard.FramesMatchTheirReferences' >/dev/null
echo "Wrote $(ls "$references"/shot_*.png | wc -l) reference frames ($(du -ck "$references"/shot_*.png | tail -1 | cut -f1) KiB) to $references" >&2
git -C "$root" status --short -- "$references" >&2

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
source scripts/headless-env.sh
# headless-env.sh always gives a GL context (Mesa, offscreen): a GL test that finds none fails.
export QUILLMOOR_EXPECT_GL=1
# install-deps.sh installs PulseAudio: the sound test starts its own server and must not skip.
export QUILLMOOR_EXPECT_SOUND_SERVER=1
ctest --preset default -j 2
# The browser build in headless Chromium, against the native frames of the same times.
scripts/web-test.sh
# The tests again under AddressSanitizer and UndefinedBehaviorSanitizer, the whole program
# included (with leak detection): bad input must not overrun a buffer, hit undefined
# behaviour or leak. Left out here, to keep CI's time in bounds (`ctest --preset asan` runs
# them too): the bad-media runs of a missing or empty file, which give a reader no byte to
# overrun (the fuzz targets try the empty input too; the cut, one-texel, faceless and
# other-layout runs stay); the media generator's second run, since the build already runs
# it under the sanitizers to make the media; and the picture guard, whose frames the
# whole-program check renders too. The first pass above runs all of them.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j 2 \
  -E 'BadMediaTest\..*_(Mesh|Texture)(Missing|Empty)$|^MediaGenerator\.TwoRunsWriteIdenticalBytes$|^PictureGuard\.'

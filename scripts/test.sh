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
# The RAR reader again under AddressSanitizer and UndefinedBehaviorSanitizer: damaged
# archives must not overrun a buffer or hit undefined behaviour.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j 2

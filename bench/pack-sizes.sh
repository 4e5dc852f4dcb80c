#!/usr/bin/env bash
# Packed sizes and packing speeds per level (bench/rar_pack_bench.cpp) on the demo media,
# the 16 KiB test file and a speech recording synthesised here with espeak-ng (16-bit mono,
# 22050 Hz, about 56 KB: a stand-in for a real recording).
#   bench/pack-sizes.sh BUILD [FILTER]
set -euo pipefail
build=${1:?usage: bench/pack-sizes.sh BUILD [FILTER]}
filter=${2:-.}
if ! command -v espeak-ng >/dev/null; then
  sudo_cmd=$([ "$(id -u)" -eq 0 ] || echo sudo)
  $sudo_cmd apt-get install -y -q espeak-ng >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
espeak-ng -w "$work/speech.wav" "a boat on the water"
cmake --build "$build" --target quillmoor_bench >/dev/null
QUILLMOOR_SPEECH_WAV="$work/speech.wav" "$build/bench/quillmoor_bench" \
  --benchmark_filter="^(RarPack|Deflate)/.*$filter" --benchmark_min_time=0.05 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true

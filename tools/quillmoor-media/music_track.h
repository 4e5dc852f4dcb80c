#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

constexpr int kMusicSampleRate = 44100;
constexpr double kMusicSeconds = 194.0;

// The synthesised stereo track, interleaved left/right in -1..1.
std::vector<float> SynthesiseMusic();
// Ogg Vorbis of the track (quality 0.3, 44.1 kHz stereo); empty on failure.
std::vector<uint8_t> EncodeMusicTrack();

} // namespace media

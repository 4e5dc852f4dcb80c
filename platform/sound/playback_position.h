#pragma once
// Estimates how much of a stream has been heard from what the audio callback has handed
// to the device. The device plays the last handed block while the callback's next one is
// prepared, so at the moment of a callback the samples before the new block are between
// nothing and one device buffer ahead of the speaker, depending on the driver (a sound
// server pulls early, a double-buffered card late). The estimate takes the middle, half a
// buffer, which bounds the error by half a buffer either way: through PulseAudio the
// clock then matches what is heard to a few milliseconds. Between callbacks the position
// advances at the sample rate, and never beyond what was handed over.

#include <cstdint>

struct PlaybackPosition {
    // Frames (samples per channel) handed to the device before the last callback.
    std::int64_t framesBeforeLastCallback = 0;
    // Frames handed to the device in total, including the last callback's block.
    std::int64_t framesHanded = 0;
    // Size of one device buffer, in frames.
    std::int64_t deviceBufferFrames = 0;
    int sampleRate = 44100;

    // Frames heard `secondsSinceLastCallback` after the last callback; `floor` is the value
    // reported before, so the result never goes backwards.
    std::int64_t FramesHeard(double secondsSinceLastCallback, std::int64_t floor) const;

    // Whole milliseconds of `frames` at the sample rate.
    static int Milliseconds(std::int64_t frames, int sampleRate);
};

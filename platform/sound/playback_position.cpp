#include "platform/sound/playback_position.h"

#include <algorithm>
#include <limits>

std::int64_t PlaybackPosition::FramesHeard(double secondsSinceLastCallback, std::int64_t floor) const {
    const double since = std::max(0.0, secondsSinceLastCallback);
    const std::int64_t atCallback =
        std::max<std::int64_t>(0, framesBeforeLastCallback - deviceBufferFrames / 2);
    const double advanced = static_cast<double>(atCallback) + since * static_cast<double>(sampleRate);
    std::int64_t frames =
        advanced >= static_cast<double>(framesHanded) ? framesHanded : static_cast<std::int64_t>(advanced);
    frames = std::max(frames, atCallback);
    return std::max(frames, floor);
}

int PlaybackPosition::Milliseconds(std::int64_t frames, int sampleRate) {
    if (sampleRate <= 0 || frames <= 0) {
        return 0;
    }
    const std::int64_t ms = frames * 1000 / sampleRate;
    return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

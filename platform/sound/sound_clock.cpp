#include "platform/sound/sound_clock.h"

#include <atomic>
#include <limits>

namespace {
std::atomic<bool> hasFixed{false};
std::atomic<int> fixedPosition{0};
} // namespace

void SoundClock::SetFixedPosition(int milliseconds) {
    fixedPosition = milliseconds;
    hasFixed = true;
}

void SoundClock::ClearFixedPosition() {
    hasFixed = false;
}

bool SoundClock::HasFixedPosition() {
    return hasFixed;
}

int SoundClock::FixedPosition() {
    return fixedPosition;
}

int SoundClock::StepPosition(long long frame, int fps) {
    if (fps <= 0 || frame <= 0) {
        return 0;
    }
    const long long ms = frame * 1000 / fps;
    return ms > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(ms);
}

#include "shell/frame_schedule.h"

#include <cmath>
#include <cstdio>

#include "platform/sound/sound_clock.h"

namespace {
int MillisecondsOf(double seconds) {
    return static_cast<int>(std::llround(seconds * 1000.0));
}
} // namespace

FrameSchedule::FrameSchedule(const RunModeOptions& options) : fps(options.fps > 0 ? options.fps : 60) {
    if (options.clock) {
        kind = Kind::Clock;
        positions = options.clockMilliseconds;
        total = static_cast<long long>(positions.size());
    } else if (options.shots) {
        kind = Kind::Shots;
        for (double t : options.shotSeconds) {
            const int ms = MillisecondsOf(t);
            if (positions.empty() || ms > positions.back()) {
                positions.push_back(ms);
            }
        }
        FrameSchedule count = *this;
        ScheduledFrame frame;
        while (count.Next(&frame)) {
        }
        total = count.taken;
    } else if (options.capture) {
        kind = Kind::Capture;
        total = static_cast<long long>(std::ceil(options.untilSeconds * fps - 1e-9));
    }
}

bool FrameSchedule::Next(ScheduledFrame* frame) {
    switch (kind) {
    case Kind::None:
        return false;
    case Kind::Clock:
        if (taken >= total) {
            return false;
        }
        *frame = {positions[static_cast<std::size_t>(taken)], false};
        break;
    case Kind::Shots: {
        if (nextShot >= positions.size()) {
            return false;
        }
        const int stepMs = SoundClock::StepPosition(step, fps);
        const int shotMs = positions[nextShot];
        if (stepMs < shotMs) {
            *frame = {stepMs, false};
            ++step;
        } else {
            *frame = {shotMs, true};
            ++nextShot;
            if (stepMs == shotMs) {
                ++step;
            }
        }
        break;
    }
    case Kind::Capture:
        if (taken >= total) {
            return false;
        }
        *frame = {SoundClock::StepPosition(taken, fps), true};
        break;
    }
    ++taken;
    return true;
}

std::string FrameSchedule::ShotFileName(int milliseconds) {
    char name[64];
    const char* sign = milliseconds < 0 ? "-" : "";
    const long long ms = std::llabs(static_cast<long long>(milliseconds));
    std::snprintf(name, sizeof name, "shot_%s%03lld.%03lld.png", sign, ms / 1000, ms % 1000);
    return name;
}

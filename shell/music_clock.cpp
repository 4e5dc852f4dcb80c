#include "shell/music_clock.h"

#include <cmath>
#include <cstdint>

#include "platform/sound/fmod.h"
#include "shell/music_stream.h"

namespace {
// 0.001f is exactly millisecondFactorMantissa * 2^-millisecondFactorShift. Multiplying the
// integers exactly and rounding once gives the correctly rounded single-precision product
// for every 32-bit count, where float(ms) * 0.001f would round twice above 2^24 ms.
constexpr std::int64_t millisecondFactorMantissa = 8589935;
constexpr int millisecondFactorShift = 33;
static_assert(static_cast<double>(millisecondFactorMantissa) / 8589934592.0 == static_cast<double>(0.001f));
} // namespace

float MusicClock::seconds = 0.0f;
float MusicClock::delta = 0.0f;

void MusicClock::Reset() {
    seconds = 0.0f;
    delta = 0.0f;
}

float MusicClock::SecondsFromMilliseconds(int milliseconds) {
    const std::int64_t exact = static_cast<std::int64_t>(milliseconds) * millisecondFactorMantissa;
    return std::ldexp(static_cast<float>(exact), -millisecondFactorShift);
}

void MusicClock::Update() {
    const float old = seconds;
    seconds = SecondsFromMilliseconds(FSOUND_Stream_GetTime(MusicStream::handle));
    delta = seconds - old;
}

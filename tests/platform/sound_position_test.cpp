#include "platform/sound/playback_position.h"

#include <gtest/gtest.h>

namespace {

// At 1000 Hz a frame is a millisecond, which keeps the table readable.
TEST(PlaybackPosition, HeardFramesTrailTheHandedOnesByHalfADeviceBuffer) {
    PlaybackPosition p;
    p.sampleRate = 1000;
    p.deviceBufferFrames = 100;
    p.framesBeforeLastCallback = 500;
    p.framesHanded = 600;
    struct Case {
        double since;
        std::int64_t floor;
        std::int64_t heard;
    };
    const Case cases[] = {
        {0.0, 0, 450},   // at the callback, half of the block before the new one is still playing
        {0.05, 0, 500},  // advances at the sample rate between callbacks
        {0.3, 0, 600},   // never beyond what was handed over (a late callback)
        {-1.0, 0, 450},  // a clock read before the callback time counts as the callback
        {0.0, 470, 470}, // never below what was reported before
    };
    for (const Case& c : cases) {
        EXPECT_EQ(p.FramesHeard(c.since, c.floor), c.heard) << c.since;
    }
}

TEST(PlaybackPosition, FirstBufferStartsFromZero) {
    PlaybackPosition p;
    p.sampleRate = 1000;
    p.deviceBufferFrames = 100;
    p.framesBeforeLastCallback = 0;
    p.framesHanded = 100;
    EXPECT_EQ(p.FramesHeard(0.0, 0), 0);
    EXPECT_EQ(p.FramesHeard(0.02, 0), 20);
}

TEST(PlaybackPosition, MillisecondsAreWholeAndRoundedDown) {
    EXPECT_EQ(PlaybackPosition::Milliseconds(44099, 44100), 999);
    EXPECT_EQ(PlaybackPosition::Milliseconds(44100, 44100), 1000);
    EXPECT_EQ(PlaybackPosition::Milliseconds(190LL * 48000, 48000), 190000);
    EXPECT_EQ(PlaybackPosition::Milliseconds(-5, 44100), 0);
    EXPECT_EQ(PlaybackPosition::Milliseconds(100, 0), 0);
}

} // namespace

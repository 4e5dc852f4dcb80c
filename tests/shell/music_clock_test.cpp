#include "shell/music_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "platform/sound/sound_clock.h"

namespace {

TEST(MusicClockConversion, BoundaryPositionsGiveTheDocumentedFloats) {
    struct Case {
        int ms;
        float seconds;
    };
    const Case cases[] = {
        {0, 0.0f},
        {69204, 69.204f},
        {84827, 84.827f},
        {139863, 139.863f},
        {160248, 160.248f},
        {28000, 28.0000019073486328125f},
        {100000, 100.00000762939453125f},
        {113000, 113.00000762939453125f},
        {-1000, -1.0000000474974513f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MusicClock::SecondsFromMilliseconds(c.ms), c.seconds) << c.ms;
    }
}

// The product of the count and 0.001f, rounded once: long double holds it exactly (at most
// 55 significant bits), so converting it to float is the single correct rounding.
TEST(MusicClockConversion, IsTheCorrectlyRoundedProductForEveryMagnitude) {
    const long double factor = 0.001f;
    const std::int64_t samples[] = {1,        7,        999,       16777215,  16777217,   16777219,
                                    33554435, 99999999, 123456789, 987654321, 2147483647, -2147483647 - 1};
    for (std::int64_t ms : samples) {
        const float expected = static_cast<float>(static_cast<long double>(ms) * factor);
        EXPECT_EQ(MusicClock::SecondsFromMilliseconds(static_cast<int>(ms)), expected) << ms;
    }
    for (int ms = 0; ms < 200000; ms += 7) {
        ASSERT_EQ(MusicClock::SecondsFromMilliseconds(ms), static_cast<float>(ms) * 0.001f) << ms;
    }
}

class MusicClockUpdate : public ::testing::Test {
  protected:
    void SetUp() override { MusicClock::Reset(); }
    void TearDown() override { SoundClock::ClearFixedPosition(); }
    void UpdateAt(int ms) {
        SoundClock::SetFixedPosition(ms);
        MusicClock::Update();
    }
};

TEST_F(MusicClockUpdate, DeltaIsTheChangeSinceTheUpdateBefore) {
    const auto s = [](int ms) { return MusicClock::SecondsFromMilliseconds(ms); };
    struct Step {
        int ms;
        float delta;
    };
    const Step steps[] = {
        {1500, s(1500)},              // first frame after reset: the whole first position
        {1500, 0.0f},                 // the same position read twice
        {1516, s(1516) - s(1500)},    // an ordinary frame
        {61516, s(61516) - s(1516)},  // a long pause arrives at once
        {61000, s(61000) - s(61516)}, // a position going back gives a negative step
    };
    for (const Step& step : steps) {
        UpdateAt(step.ms);
        EXPECT_EQ(MusicClock::seconds, s(step.ms)) << step.ms;
        EXPECT_EQ(MusicClock::delta, step.delta) << step.ms;
    }
    EXPECT_LT(MusicClock::delta, 0.0f);
}

TEST_F(MusicClockUpdate, ResetZeroesBothValues) {
    UpdateAt(5000);
    MusicClock::Reset();
    EXPECT_EQ(MusicClock::seconds, 0.0f);
    EXPECT_EQ(MusicClock::delta, 0.0f);
    UpdateAt(20);
    EXPECT_EQ(MusicClock::delta, MusicClock::SecondsFromMilliseconds(20));
}

} // namespace

#include "shell/frame_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<ScheduledFrame> AllFrames(const RunModeOptions& options) {
    FrameSchedule schedule(options);
    std::vector<ScheduledFrame> frames;
    ScheduledFrame frame;
    while (schedule.Next(&frame)) {
        frames.push_back(frame);
    }
    EXPECT_EQ(static_cast<long long>(frames.size()), schedule.TotalFrames());
    EXPECT_FALSE(schedule.Next(&frame)) << "a finished schedule stays finished";
    return frames;
}

TEST(FrameSchedule, ScriptedPositionsOneFramePerValueInTheGivenOrder) {
    RunModeOptions options;
    options.clock = true;
    options.clockMilliseconds = {0, 69204, 16, 16, 250000};
    const std::vector<ScheduledFrame> frames = AllFrames(options);
    ASSERT_EQ(frames.size(), 5u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].milliseconds, options.clockMilliseconds[i]);
        EXPECT_FALSE(frames[i].keep);
    }
}

TEST(FrameSchedule, CaptureStepsFrameTimesThousandOverFpsUntilTheEnd) {
    RunModeOptions options;
    options.capture = true;
    options.fps = 30;
    options.untilSeconds = 1.0;
    const std::vector<ScheduledFrame> frames = AllFrames(options);
    ASSERT_EQ(frames.size(), 30u);
    EXPECT_EQ(frames[0].milliseconds, 0);
    EXPECT_EQ(frames[1].milliseconds, 33);
    EXPECT_EQ(frames[2].milliseconds, 66);
    EXPECT_EQ(frames[3].milliseconds, 100);
    EXPECT_EQ(frames[29].milliseconds, 966);
    for (const ScheduledFrame& f : frames) {
        EXPECT_TRUE(f.keep);
    }
    options.untilSeconds = 190;
    options.fps = 60;
    EXPECT_EQ(FrameSchedule(options).TotalFrames(), 11400);
}

TEST(FrameSchedule, ShotsRunTheStepFromZeroAndLandExactlyOnEachShotTime) {
    RunModeOptions options;
    options.shots = true;
    options.fps = 10;
    options.shotSeconds = {0.25, 0.3, 0.5};
    const std::vector<ScheduledFrame> frames = AllFrames(options);
    const std::vector<std::pair<int, bool>> expected = {{0, false},  {100, false}, {200, false}, {250, true},
                                                        {300, true}, {400, false}, {500, true}};
    ASSERT_EQ(frames.size(), expected.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].milliseconds, expected[i].first) << i;
        EXPECT_EQ(frames[i].keep, expected[i].second) << i;
    }
}

TEST(FrameSchedule, ShotAtZeroIsTheFirstFrame) {
    RunModeOptions options;
    options.shots = true;
    options.shotSeconds = {0};
    const std::vector<ScheduledFrame> frames = AllFrames(options);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].milliseconds, 0);
    EXPECT_TRUE(frames[0].keep);
}

TEST(FrameSchedule, PlainPlayingHasNoSchedule) {
    FrameSchedule schedule{RunModeOptions{}};
    ScheduledFrame frame;
    EXPECT_FALSE(schedule.Active());
    EXPECT_FALSE(schedule.Next(&frame));
}

TEST(FrameSchedule, ShotFileNamesSortByTime) {
    EXPECT_EQ(FrameSchedule::ShotFileName(69204), "shot_069.204.png");
    EXPECT_EQ(FrameSchedule::ShotFileName(5), "shot_000.005.png");
    EXPECT_EQ(FrameSchedule::ShotFileName(190000), "shot_190.000.png");
}

} // namespace

#include "shell/capture_progress.h"

#include <gtest/gtest.h>

namespace {

TEST(CaptureProgress, ShowsFramesSpeedAndTimeLeft) {
    const CaptureProgress progress(11400, 60);
    struct Case {
        long long done;
        double elapsed;
        const char* line;
    };
    const Case cases[] = {
        {0, 0.0, "[--------------------]   0%  0/11400 frames"},
        // 2850 frames = 47.5 s of video in 95 s: half speed, three times as long to go.
        {2850, 95.0, "[#####---------------]  25%  2850/11400 frames  0.50x  4:45 left"},
        {11400, 60.0, "[####################] 100%  11400/11400 frames  3.17x  0:00 left"},
        {5700, 3600.0, "[##########----------]  50%  5700/11400 frames  0.03x  1:00:00 left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(progress.Line(c.done, c.elapsed), c.line);
    }
}

} // namespace

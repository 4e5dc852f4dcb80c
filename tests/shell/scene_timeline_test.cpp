#include "shell/scene_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/sound/sound_clock.h"
#include "shell/music_clock.h"
#include "shell/scene.h"
#include "shell/scene_schedule.h"

namespace {

class RecordingScene : public Scene {
  public:
    RecordingScene(int index, std::vector<int>* log) : index(index), log(log) {}
    void Render() override { log->push_back(index); }

  private:
    int index;
    std::vector<int>* log;
};

// The demo's ten windows, each with a scene that records its position in the list.
class DemoTimeline : public ::testing::Test {
  protected:
    void SetUp() override {
        scenes.reserve(sceneCount);
        for (int i = 0; i < sceneCount; ++i) {
            scenes.emplace_back(i + 1, &rendered);
        }
        for (int i = 0; i < sceneCount; ++i) {
            timeline.Add(&scenes[i], sceneSchedule[i].start, sceneSchedule[i].end);
        }
        MusicClock::Reset();
    }
    void TearDown() override { SoundClock::ClearFixedPosition(); }

    std::vector<int> DispatchAt(int milliseconds) {
        rendered.clear();
        SoundClock::SetFixedPosition(milliseconds);
        timeline.Dispatch();
        return rendered;
    }

    std::vector<int> rendered;
    std::vector<RecordingScene> scenes;
    SceneTimeline timeline;
};

struct PositionCase {
    int milliseconds;
    std::vector<int> scenes; // 1-based, in render order
};

TEST_F(DemoTimeline, MusicPositionsRenderTheScenesWhoseWindowsContainThem) {
    const PositionCase cases[] = {
        {0, {1}},
        {27999, {1}},
        // The product rounds just above these boundaries: only the later scene.
        {28000, {2}},
        {100000, {7}},
        {113000, {8}},
        // These land exactly on the shared boundary: both, the earlier first.
        {69204, {4, 5}},
        {84827, {5, 6}},
        {139863, {8, 9}},
        {160248, {9, 10}},
        {42696, {3}},
        {56078, {4}},
        {120000, {8}},
        {189999, {10}},
        // 190000 ms also rounds just above 190 s: the last window is already over.
        {190000, {}},
        {190001, {}},
        {250000, {}},
        {-5, {}},
    };
    for (const PositionCase& c : cases) {
        EXPECT_EQ(DispatchAt(c.milliseconds), c.scenes) << c.milliseconds << " ms";
    }
}

TEST_F(DemoTimeline, NotANumberMatchesNoWindow) {
    rendered.clear();
    timeline.RenderAt(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(rendered.empty());
    timeline.RenderAt(std::numeric_limits<float>::infinity());
    EXPECT_TRUE(rendered.empty());
}

TEST(SceneSchedule, WindowsAreTheNearestFloatsAndShareBoundaries) {
    EXPECT_EQ(sceneSchedule[2].start, static_cast<float>(42.696));
    EXPECT_LT(sceneSchedule[2].start, 42.696);
    for (int i = 1; i < sceneCount; ++i) {
        EXPECT_EQ(sceneSchedule[i].start, sceneSchedule[i - 1].end) << i;
    }
    EXPECT_EQ(sceneSchedule[0].start, 0.0f);
    EXPECT_EQ(sceneSchedule[sceneCount - 1].end, 190.0f);
}

TEST(SceneTimeline, OverlappingWindowsRenderInRegistrationOrderNotWindowOrder) {
    std::vector<int> rendered;
    RecordingScene late(1, &rendered), early(2, &rendered);
    SceneTimeline timeline;
    timeline.Add(&late, 5.0f, 10.0f);
    timeline.Add(&early, 0.0f, 10.0f);
    timeline.RenderAt(7.0f);
    EXPECT_EQ(rendered, (std::vector<int>{1, 2}));
}

} // namespace

#include "scenes/final_room_scene.h"

#include <cstdint>

#include "assets/texture_object.h"
#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

constexpr float CutTimes[] = {161.954f, 163.624f, 164.475f, 165.325f, 166.113f, 166.953f,
                              167.797f, 168.638f, 169.48f,  170.29f,  171.131f, 171.973f};

class FinalRoomSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }

    DWORD FadeByte() { return QuadColour(scene.fadeQuad) >> 24; }

    // Runs the last shot with short frames until the room gives way to the greetings.
    void DriveToTheSwitch() {
        float t = 171.973f;
        while (!scene.switched && t < 180.0f) {
            Frame(scene, t, 0.02f);
            t += 0.02f;
        }
        ASSERT_TRUE(scene.switched);
    }

    FinalRoomScene scene;
};

TEST_F(FinalRoomSceneTest, InitConsumesTheFirst12000ValuesOfTheSharedGenerator) {
    std::uint32_t state = 1;
    for (int i = 0; i < 12001; ++i) {
        state = state * 214013u + 2531011u;
    }
    EXPECT_EQ(SharedRandom::Next(), static_cast<int>((state >> 16) & 0x7FFF));
}

TEST_F(FinalRoomSceneTest, FadesInFromBlackAndDipsToBlackAtEveryCut) {
    // Alpha bytes worked out by hand: the fade-in (160.448 - t) * 5 is 1.0 at the start
    // (255), 0.24 at 160.4 (0.24 * 255 + 0.5 = 61.7, so 61) and below 0 at 160.5 (0); a cut
    // dip is 1.0 at the cut (255), 0.6 at 0.04 s either side (153.5, so 153) and 0 from
    // 0.1 s after it.
    struct Case {
        float t;
        DWORD alphaByte;
    };
    std::vector<Case> cases = {{160.248f, 255}, {160.4f, 61}, {160.5f, 0}};
    for (const float cut : CutTimes) {
        cases.push_back({cut - 0.04f, 153});
        cases.push_back({cut, 255});
        cases.push_back({cut + 0.04f, 153});
        cases.push_back({cut + 0.1f, 0});
    }
    for (const Case& c : cases) {
        Frame(scene, c.t, 0.01f);
        EXPECT_EQ(FadeByte(), c.alphaByte) << "t = " << c.t;
    }
}

TEST_F(FinalRoomSceneTest, ALongFramePastTheLastShotsStopClampsTheEyeThenSwitches) {
    Frame(scene, 171.973f, 0.02f);
    EXPECT_EQ(scene.currentShot, 13);
    EXPECT_FLOAT_EQ(scene.eye.x, 100.0f + 180.0f * 0.02f);
    EXPECT_FALSE(scene.switched);

    device->ClearCalls();
    Frame(scene, 173.5f, 1.5f);
    EXPECT_EQ(scene.eye.x, 320.0f);
    EXPECT_TRUE(scene.switched);
    EXPECT_FALSE(device->CallsNamed("SetLight").empty())
        << "the room is still drawn on the frame that switches";

    device->ClearCalls();
    Frame(scene, 173.52f, 0.02f);
    EXPECT_TRUE(device->CallsNamed("SetLight").empty()) << "no room after the switch";
    EXPECT_TRUE(QuadDrawn(scene.overlayQuad));
}

TEST_F(FinalRoomSceneTest, GreetingSlotsShowZeroToEightThenTen) {
    DriveToTheSwitch();
    device->ClearCalls();
    Frame(scene, 173.6f, 0.02f);
    EXPECT_FALSE(QuadDrawn(scene.greetingsQuad)) << "black until 173.636";

    struct Slot {
        float t;
        int index;
    };
    const Slot slots[] = {{173.636f, 0}, {174.487f, 1}, {175.301f, 2}, {176.142f, 3}, {176.974f, 4},
                          {177.816f, 5}, {178.638f, 6}, {179.48f, 7},  {180.304f, 8}, {181.153f, 10}};
    for (const Slot& slot : slots) {
        device->ClearCalls();
        Frame(scene, slot.t, 0.02f);
        EXPECT_EQ(scene.greetingIndex, slot.index) << "t = " << slot.t;
        EXPECT_FLOAT_EQ(scene.greetingAlpha, 1.0f - 1.5f * 0.02f);
        EXPECT_EQ(scene.greetingsQuad->texture, scene.greetingTextures[slot.index]);
        EXPECT_TRUE(QuadDrawn(scene.greetingsQuad));
        // Alpha 1 - 1.5 * 0.02 = 0.97: 0.97 * 255 + 0.5 = 247.85, so byte 247.
        EXPECT_EQ(QuadColour(scene.greetingsQuad), 0xF7FFFFFFu);
    }

    // Past the last slot greeting 10 fades out and the index stays.
    Frame(scene, 182.0f, 0.5f);
    EXPECT_EQ(scene.greetingIndex, 10);
    Frame(scene, 182.5f, 0.5f);
    EXPECT_EQ(QuadColour(scene.greetingsQuad) >> 24, 0u);
}

TEST_F(FinalRoomSceneTest, TheClosingLogoStaysOpaqueFrom183Point216) {
    DriveToTheSwitch();
    Frame(scene, 183.2f, 0.02f);
    EXPECT_NE(scene.greetingsQuad->texture, scene.closingLogoTexture);
    Frame(scene, 183.216f, 0.016f);
    EXPECT_EQ(scene.greetingsQuad->texture, scene.closingLogoTexture);
    EXPECT_EQ(QuadColour(scene.greetingsQuad), 0xFFFFFFFFu);
    Frame(scene, 189.99f, 0.016f);
    EXPECT_EQ(scene.greetingsQuad->texture, scene.closingLogoTexture);
}

TEST_F(FinalRoomSceneTest, TheGreetingsQuadCoversTheCentreQuarterOfTheScreen) {
    const std::vector<QuadVertex> v = Vertices(scene.greetingsQuad);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0].x, -0.25f);
    EXPECT_EQ(v[0].y, 0.25f);
    EXPECT_EQ(v[2].x, 0.25f);
    EXPECT_EQ(v[2].y, -0.25f);
    EXPECT_EQ(v[2].u, 1.0f);
    EXPECT_EQ(v[2].v, 1.0f);
}

} // namespace

#include "scenes/beat_room_scene.h"

#include <cmath>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class BeatRoomSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }
    BeatRoomScene scene;
};

TEST_F(BeatRoomSceneTest, EachShotBoundaryBelongsToTheLaterShot) {
    const float dt = 0.02f;
    Frame(scene, 126.54f, dt);
    EXPECT_EQ(scene.currentShot, 1);
    Frame(scene, 126.541f, dt);
    EXPECT_EQ(scene.currentShot, 2);
    const float tau = 120.0f * dt;
    EXPECT_FLOAT_EQ(scene.eye.x, tau - 120.0f);
    EXPECT_EQ(scene.eye.y, 160.0f);
    EXPECT_FLOAT_EQ(scene.eye.z, tau - 50.0f);
    Frame(scene, 138.64f, dt);
    EXPECT_EQ(scene.currentShot, 16);
}

TEST_F(BeatRoomSceneTest, ShotClocksAdvanceOnlyWhileTheirShotShows) {
    Frame(scene, 113.0f, 0.5f);
    Frame(scene, 113.5f, 0.5f);
    EXPECT_FLOAT_EQ(scene.shotClocks[0], 1.0f);
    ExpectMatrixNear(View(), LookAt(D3DXVECTOR3(200.0f * std::cos(0.2f), 100, -250), D3DXVECTOR3(0, 100, 50)),
                     1e-5f);
    Frame(scene, 130.0f, 0.1f);
    EXPECT_EQ(scene.currentShot, 5);
    EXPECT_FLOAT_EQ(scene.shotClocks[4], 11.0f);
    for (int shot : {1, 2, 3, 5, 6}) {
        EXPECT_EQ(scene.shotClocks[shot], 0.0f) << "shot " << shot + 1;
    }
}

TEST_F(BeatRoomSceneTest, AFlashFiresOncePerEntryAndRunsDownInsideItsWindow) {
    Frame(scene, 113.5f, 0.02f);
    EXPECT_EQ(QuadColour(scene.flashQuad), 0xFF000000u) << "black before the first flash";
    Frame(scene, 113.612f, 0.02f);
    EXPECT_EQ(scene.lastFlash, 0);
    EXPECT_FLOAT_EQ(scene.flashColour[0], 1.0f - 0.02f);
    Frame(scene, 113.7f, 0.05f);
    EXPECT_EQ(scene.lastFlash, 0);
    EXPECT_FLOAT_EQ(scene.flashColour[0], 1.0f - 0.02f - 0.05f);
    EXPECT_EQ(QuadColour(scene.flashQuad), 0xFF000000u | (ExpectedByte(scene.flashColour[0]) * 0x010101u));
}

TEST_F(BeatRoomSceneTest, TheStrobeUsesTheMinimumBlendAndStopsAt126Point313) {
    Frame(scene, 126.3f, 0.02f);
    EXPECT_TRUE(QuadDrawn(scene.flashQuad));
    const std::vector<RecordedCall> states = device->CallsNamed("SetRenderState");
    bool minimum = false;
    for (const RecordedCall& call : states) {
        minimum = minimum || (call.args[0] == "D3DRS_BLENDOP" && call.args[1] == "4");
    }
    EXPECT_TRUE(minimum);

    device->ClearCalls();
    Frame(scene, 126.313f, 0.013f);
    EXPECT_FALSE(QuadDrawn(scene.flashQuad));
    EXPECT_TRUE(QuadDrawn(scene.overlayQuad));
}

TEST_F(BeatRoomSceneTest, SyncBlocksFadeFromTheirStartThenFlashFullOnEachHit) {
    Frame(scene, 126.0f, 0.1f);
    EXPECT_FLOAT_EQ(scene.blockColours[0][3], 0.6f - 0.25f);
    Frame(scene, 126.2f, 0.2f);
    Frame(scene, 126.4f, 0.2f);
    EXPECT_LT(scene.blockColours[0][3], 0.0f);
    EXPECT_EQ(QuadColour(scene.syncBlocks[0]) >> 24, 0u) << "below zero is written as 0";
    const float negative = scene.blockColours[0][3];
    Frame(scene, 126.45f, 0.05f);
    EXPECT_EQ(scene.blockColours[0][3], negative) << "no decay below zero";

    Frame(scene, 126.541f, 0.091f);
    EXPECT_EQ(scene.blockColours[0][3], 1.0f);
    EXPECT_EQ(QuadColour(scene.syncBlocks[0]), 0xFFFFFFFFu);
    Frame(scene, 126.6f, 0.059f);
    EXPECT_FLOAT_EQ(scene.blockColours[0][3], 1.0f - 2.5f * 0.059f) << "the same entry does not retrigger";

    // Blocks sit right to left at 24-pixel squares from x = 676 - 50 i, y = 460.
    const std::vector<QuadVertex> v = Vertices(scene.syncBlocks[4]);
    EXPECT_NEAR(v[0].x, OverlayX(476), 1e-6f);
    EXPECT_NEAR(v[0].y, OverlayY(460), 1e-6f);
    EXPECT_NEAR(v[2].x, OverlayX(500), 1e-6f);
    EXPECT_NEAR(v[2].y, OverlayY(484), 1e-6f);
}

TEST_F(BeatRoomSceneTest, ThePulseScalesVerticesInsideRadiusOneHundredOnly) {
    Frame(scene, 113.0f, 0.1f);
    const float psi = 4.5f * 0.1f;
    const float x = 5.0f;
    const float f1 = std::sin(0.05f * x + psi / 3.0f);
    const float f2 = std::cos(f1 + 0.01f * x + psi);
    const float f3 = std::sin(0.05f * x + psi);
    const float s = (0.5f * f2 + f3 / 3.0f + 2.0f) * 0.21276596f;
    const D3DXVECTOR3 scaled = PositionOf(scene.blob.vertexBuffer, scene.blobRestPositions, ProbeLength5, 32);
    EXPECT_NEAR(scaled.x, 5.0f * s, 1e-5f);
    const D3DXVECTOR3 edge = PositionOf(scene.blob.vertexBuffer, scene.blobRestPositions, ProbeLength100, 32);
    EXPECT_EQ(edge.x, 60.0f);
    EXPECT_EQ(edge.y, 80.0f);
}

} // namespace

#include "scenes/swirl_blob_scene.h"

#include <cmath>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class SwirlBlobSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }
    SwirlBlobScene scene;
};

TEST_F(SwirlBlobSceneTest, FadeToBlackRunsOverTheLastSecondUnderTheOverlay) {
    struct Case {
        float t;
        bool drawn;
        DWORD alphaByte;
    };
    const Case cases[] = {{111.99f, false, 0}, {112.0f, true, 0}, {112.5f, true, 128}, {113.0f, true, 255}};
    for (const Case& c : cases) {
        device->ClearCalls();
        Frame(scene, c.t, 0.016f);
        EXPECT_EQ(QuadDrawn(scene.fadeQuad), c.drawn) << "t = " << c.t;
        if (c.drawn) {
            EXPECT_EQ(QuadColour(scene.fadeQuad), (c.alphaByte << 24) | 0xFFFFFFu) << "t = " << c.t;
        }
        EXPECT_TRUE(QuadDrawn(scene.overlayQuad)) << "t = " << c.t;
    }
}

TEST_F(SwirlBlobSceneTest, AZeroDeltaStillAdvancesTheSwirlPhaseButNotTheSpinClock) {
    Frame(scene, 100.0f, 0.0f);
    EXPECT_FLOAT_EQ(scene.swirlPhase, 0.009f);
    EXPECT_EQ(scene.spinClock, 0.0f);
    Frame(scene, 100.1f, 0.1f);
    EXPECT_FLOAT_EQ(scene.swirlPhase, 0.009f + 0.45f);
    EXPECT_FLOAT_EQ(scene.spinClock, 0.1f);
}

TEST_F(SwirlBlobSceneTest, VerticesNearTheZAxisTurnAndTheTurnAccumulates) {
    const std::vector<D3DXVECTOR3> rest = scene.swirlPositions;
    Frame(scene, 100.0f, 0.02f);
    Frame(scene, 100.02f, 0.02f);

    // (3, 4, 12) lies 5 from the Z axis: two turns, each with the phase of its own frame.
    float x = 3.0f;
    float y = 4.0f;
    float phase = 0.0f;
    for (int frame = 0; frame < 2; ++frame) {
        phase = phase + 4.5f * 0.02f;
        const float theta =
            (0.1f * 12.0f + 0.02f * std::sqrt(x * x + y * y) + 1.0f) * std::cos(phase) * 0.016666668f;
        const float nx = x * std::cos(theta) - y * std::sin(theta);
        const float ny = x * std::sin(theta) + y * std::cos(theta);
        x = nx;
        y = ny;
    }
    const D3DXVECTOR3 turned = PositionOf(scene.blob.vertexBuffer, rest, ProbeLength13, 32);
    EXPECT_NEAR(turned.x, x, 1e-5f);
    EXPECT_NEAR(turned.y, y, 1e-5f);
    EXPECT_EQ(turned.z, 12.0f);

    // (60, 80, 0) lies exactly 100 from the Z axis and never moves.
    const D3DXVECTOR3 edge = PositionOf(scene.blob.vertexBuffer, rest, ProbeLength100, 32);
    EXPECT_EQ(edge.x, 60.0f);
    EXPECT_EQ(edge.y, 80.0f);
}

} // namespace

#include "scenes/twisting_stack_scene.h"

#include <cmath>

#include "scenes/camera_flight_scene.h"
#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class TwistStackSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }

    // Six vertices of flare i.
    std::vector<QuadVertex> Flare(int i) {
        const std::vector<QuadVertex> all = Vertices(&scene.flareQuads);
        return {all.begin() + i * 6, all.begin() + i * 6 + 6};
    }

    TwistStackScene scene;
};

TEST_F(TwistStackSceneTest, FlaresCollapseOnTheFirstFrameAndFaceTheLastViewAfter) {
    Frame(scene, 56.1f, 0.0f);
    for (int i : {0, 399, 799}) {
        const std::vector<QuadVertex> v = Flare(i);
        for (const QuadVertex& corner : v) {
            EXPECT_EQ(corner.x, v[0].x);
            EXPECT_EQ(corner.y, v[0].y);
            EXPECT_EQ(corner.z, v[0].z);
            EXPECT_EQ(corner.colour, 0xFFFFFFFFu);
        }
    }
    const D3DXMATRIX firstView = View();
    Frame(scene, 56.2f, 0.1f);
    const D3DXVECTOR3 r(4 * firstView._11, 4 * firstView._12, -4 * firstView._13);
    const D3DXVECTOR3 u(4 * firstView._21, 4 * firstView._22, -4 * firstView._23);
    const std::vector<QuadVertex> v = Flare(5);
    const D3DXVECTOR3& p = scene.flarePositions[5];
    struct Corner {
        float rs, us, tu, tv; // offset = rs * r + us * u
    };
    const Corner corners[6] = {{-1, -1, 0, 0}, {-1, 1, 1, 0}, {1, 1, 1, 1},
                               {-1, -1, 0, 0}, {1, 1, 1, 1},  {1, -1, 0, 1}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(v[k].x, p.x + corners[k].rs * r.x + corners[k].us * u.x, 1e-4f) << k;
        EXPECT_NEAR(v[k].y, p.y + corners[k].rs * r.y + corners[k].us * u.y, 1e-4f) << k;
        EXPECT_NEAR(v[k].z, p.z + corners[k].rs * r.z + corners[k].us * u.z, 1e-4f) << k;
        EXPECT_EQ(v[k].u, corners[k].tu);
        EXPECT_EQ(v[k].v, corners[k].tv);
    }
}

TEST_F(TwistStackSceneTest, FlareWrapsOnlyWhenItPasses250) {
    scene.flarePositions[0].z = 249.0f;
    scene.flareSpeeds[0] = 10.0f;
    scene.flarePositions[1].z = 249.1f;
    scene.flareSpeeds[1] = 10.0f;
    Frame(scene, 56.1f, 0.1f);
    EXPECT_EQ(scene.flarePositions[0].z, 250.0f);
    EXPECT_NEAR(scene.flarePositions[1].z, -49.9f, 1e-4f);
}

TEST_F(TwistStackSceneTest, CameraStartsAbove200AndLooksAt150) {
    Frame(scene, 56.078f, 0.0f);
    ExpectMatrixNear(View(), LookAt({100, 120, 200}, {0, 0, 150}), 1e-4f);
    Frame(scene, 57.078f, 1.0f);
    ExpectMatrixNear(
        View(), LookAt({100, 120, 100 + 100 * std::cos(0.5f)}, {0, 0, 100 + 50 * std::cos(0.5f)}), 1e-4f);
}

TEST_F(TwistStackSceneTest, BarsSwingApartOverTheMiddleBand) {
    // Pair 7 starts at 280; 20 pixels later it is at the top of the bulge.
    Frame(scene, 56.5f, 20.0f / 180.0f);
    const float s = 16.0f;
    const std::vector<QuadVertex> down = Vertices(scene.downBars[7]);
    const std::vector<QuadVertex> up = Vertices(scene.upBars[7]);
    ASSERT_EQ(down.size(), 6u);
    ASSERT_EQ(up.size(), 6u);
    EXPECT_NEAR(down[0].x, OverlayX(600 - s / 2 - 80), 1e-4f);
    EXPECT_NEAR(down[0].y, OverlayY(300 - 0.5f * s), 1e-4f);
    EXPECT_NEAR(down[2].x, OverlayX(600 + s - s / 2 - 80), 1e-4f);
    EXPECT_NEAR(down[2].y, OverlayY(300 + 1.5f * s), 1e-4f); // 16 x 32 pixels
    EXPECT_NEAR(up[0].x, OverlayX(660 + s / 2 + 80), 1e-4f);
    // Upside down: the first vertex (texture top) sits on the bar's lower screen edge.
    EXPECT_NEAR(up[0].y, OverlayY(600 - 300 + 1.5f * s), 1e-4f);
    EXPECT_NEAR(up[2].y, OverlayY(600 - 300 - 0.5f * s), 1e-4f);
    EXPECT_EQ(up[0].u, 0.0f);
    EXPECT_EQ(up[0].v, 0.0f);
    // Outside the band the columns stay put.
    const std::vector<QuadVertex> level = Vertices(scene.downBars[0]); // at 20
    EXPECT_NEAR(level[0].x, OverlayX(600 - s / 2), 1e-4f);
}

TEST_F(TwistStackSceneTest, BeatsFireOneAFrameBetweenTheFirstAndTheLast) {
    Frame(scene, 56.9f, 0.02f);
    EXPECT_EQ(scene.lastBeat, -1);
    EXPECT_EQ(scene.barSize, 16.0f);
    Frame(scene, 57.5f, 0.6f); // passes 56.911 and 57.335
    EXPECT_EQ(scene.lastBeat, 0);
    Frame(scene, 57.51f, 0.01f);
    EXPECT_EQ(scene.lastBeat, 1);
    for (int frame = 0; frame < 40; ++frame) {
        Frame(scene, 69.0f, 0.0f);
    }
    EXPECT_EQ(scene.lastBeat, 26);
}

TEST_F(TwistStackSceneTest, TwistTurnsAboutTheZAxisAndSparesVerticesAt100) {
    Frame(scene, 56.5f, 0.4f);
    const float phi = 2.5f * 0.4f;
    const D3DXVECTOR3 p = ProbeLength13; // 5 from the Z axis
    const float r = 5.0f;
    const float theta = (1.0f + 0.01f * r + 0.033333335f * p.z) * 0.5f * std::cos(phi + 0.01f * p.y);
    const D3DXVECTOR3 actual = PositionOf(scene.stack.vertexBuffer, scene.restPositions, p, 32);
    EXPECT_NEAR(actual.x, p.x * std::cos(theta) - p.y * std::sin(theta), 1e-4f);
    EXPECT_NEAR(actual.y, p.x * std::sin(theta) + p.y * std::cos(theta), 1e-4f);
    EXPECT_NEAR(actual.z, p.z, 1e-5f);
    const D3DXVECTOR3 far = PositionOf(scene.stack.vertexBuffer, scene.restPositions, ProbeLength100, 32);
    EXPECT_EQ(far.x, 60.0f);
    EXPECT_EQ(far.y, 80.0f);
}

TEST_F(TwistStackSceneTest, FlaresContinueTheSharedSequenceAfterTheFlight) {
    SharedRandom::ResetForTest();
    CameraFlightScene flight;
    flight.Init(); // 45 trails x 9 draws
    TwistStackScene stack;
    stack.Init();
    std::uint32_t state = 1;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    };
    for (int i = 0; i < 45 * 9; ++i) {
        next();
    }
    const float x = (static_cast<float>(next() % 500) * 0.004f - 1.0f) * 3.0f;
    const float y = (static_cast<float>(next() % 500) * 0.004f - 1.0f) * 3.0f;
    const float z = static_cast<float>(next() % 3000) * 0.1f - 50.0f;
    const float speed = std::sin(static_cast<float>(next() % 5000)) * 10.0f + 30.0f;
    EXPECT_FLOAT_EQ(stack.flarePositions[0].x, x);
    EXPECT_FLOAT_EQ(stack.flarePositions[0].y, y);
    EXPECT_FLOAT_EQ(stack.flarePositions[0].z, z);
    EXPECT_FLOAT_EQ(stack.flareSpeeds[0], speed);
    for (int i = 0; i < TwistStackScene::FlareCount; ++i) {
        EXPECT_GE(stack.flareSpeeds[i], 20.0f);
        EXPECT_LE(stack.flareSpeeds[i], 40.0f);
        EXPECT_GE(stack.flarePositions[i].z, -50.0f);
        EXPECT_LE(stack.flarePositions[i].z, 249.9f + 1e-4f);
    }
}

} // namespace

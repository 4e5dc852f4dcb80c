#include "scenes/cut_blob_scene.h"

#include <cmath>
#include <fstream>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

constexpr float QuarterPi = 0.7853982f;

class CutBlobSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }

    // Fires cuts up to and including `cut` with one short frame each, starting at the scene.
    void FireCutsThrough(int cut, float dt) {
        static constexpr float Cuts[] = {85.700f, 86.518f, 87.353f, 88.188f, 89.023f, 89.858f,
                                         90.708f, 91.527f, 92.347f, 93.381f, 94.177f, 94.950f,
                                         95.760f, 96.517f, 97.356f, 98.159f};
        Frame(scene, 84.827f, dt);
        for (int j = 0; j <= cut; ++j) {
            Frame(scene, Cuts[j], dt);
        }
        ASSERT_EQ(scene.lastCut, cut);
    }

    CutBlobScene scene;
};

TEST_F(CutBlobSceneTest, FadeIsBlackUntil85ThenOpensUntil85Point2AndIsThenNotDrawn) {
    // Alpha (85.2 - t) * 5 as a byte, worked out by hand: 1.865 and 1.0 clamp to 255,
    // 0.75 * 255 + 0.5 = 191.75 and 0.25 * 255 + 0.5 = 64.25 truncate, 0 stays 0.
    struct Case {
        float t;
        bool drawn;
        DWORD alphaByte;
    };
    const Case cases[] = {{84.827f, true, 255}, {85.0f, true, 255}, {85.05f, true, 191},
                          {85.15f, true, 64},   {85.2f, true, 0},   {85.21f, false, 0}};
    for (const Case& c : cases) {
        device->ClearCalls();
        Frame(scene, c.t, 0.016f);
        EXPECT_EQ(QuadDrawn(scene.fadeQuad), c.drawn) << "t = " << c.t;
        if (c.drawn) {
            EXPECT_EQ(QuadColour(scene.fadeQuad), (c.alphaByte << 24) | 0xFFFFFFu) << "t = " << c.t;
        }
        EXPECT_TRUE(QuadDrawn(scene.overlayQuad));
    }
}

TEST_F(CutBlobSceneTest, BeforeTheFirstCutTheEyeRisesFromBelowLookingAtTheBlob) {
    const float dt = 0.02f;
    Frame(scene, 84.827f, dt);
    Frame(scene, 84.847f, dt);
    const float y = (-20.0f + 30.0f * dt) + 30.0f * dt;
    EXPECT_EQ(scene.eye.x, 0.0f);
    EXPECT_FLOAT_EQ(scene.eye.y, y);
    EXPECT_EQ(scene.eye.z, 0.0f);
    ExpectMatrixNear(View(), LookAt(D3DXVECTOR3(0, y, 0), D3DXVECTOR3(-32, 167, 0)), 1e-5f);
}

TEST_F(CutBlobSceneTest, CutTwoMovesTheEyeAsideAndRaisesIt) {
    const float dt = 0.01f;
    FireCutsThrough(1, dt);
    const float before = scene.eye.y;
    Frame(scene, 87.353f, dt);
    EXPECT_EQ(scene.lastCut, 2);
    EXPECT_EQ(scene.eye.x, -50.0f);
    EXPECT_EQ(scene.eye.z, -21.0f);
    EXPECT_FLOAT_EQ(scene.eye.y, before + 30.0f * dt + 40.0f);
}

TEST_F(CutBlobSceneTest, AFrameJumpingOverTwoCutsFiresOnePerFrame) {
    Frame(scene, 84.827f, 0.01f);
    Frame(scene, 86.6f, 1.7f);
    EXPECT_EQ(scene.lastCut, 0);
    Frame(scene, 86.61f, 0.01f);
    EXPECT_EQ(scene.lastCut, 1);
    Frame(scene, 86.62f, 0.01f);
    EXPECT_EQ(scene.lastCut, 1);
}

TEST_F(CutBlobSceneTest, DuringCutSevenTheFieldOfViewShrinksThenCutEightRestoresIt) {
    const float dt = 0.05f;
    FireCutsThrough(7, dt);
    float fov = QuarterPi - 0.6f * dt;
    for (int frame = 0; frame < 5; ++frame) {
        device->ClearCalls();
        Frame(scene, 91.6f + 0.05f * static_cast<float>(frame), dt);
        fov = fov - 0.6f * dt;
    }
    EXPECT_EQ(scene.fieldOfView, fov);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, fov, 1.0f, 1.0f, 3000.0f);
    const RecordedCall expected = device->Formatter().SetTransform(D3DTS_PROJECTION, &projection);
    bool found = false;
    for (const RecordedCall& call : device->CallsNamed("SetTransform")) {
        if (call.args[0] == expected.args[0]) {
            EXPECT_EQ(call, expected) << "the blob's projection, before the overlay's";
            found = true;
            break;
        }
    }
    EXPECT_TRUE(found);
    const D3DXVECTOR3 still = scene.eye;
    Frame(scene, 91.9f, dt);
    EXPECT_EQ(scene.eye.y, still.y);

    Frame(scene, 92.347f, dt);
    EXPECT_EQ(scene.lastCut, 8);
    EXPECT_EQ(scene.fieldOfView, QuarterPi);
    EXPECT_EQ(scene.eye.x, -40.0f);
    EXPECT_FLOAT_EQ(scene.eye.y, 150.0f - 150.0f * dt);
}

// A mesh of its own: one vertex exactly on the twist's edge, one near the axis.
class CutBlobTwistTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        std::ofstream("data/meshes/blobby13.X", std::ios::trunc) << R"(xof 0303txt 0032
Mesh Edge {
 3;
 45.0;10.0;60.0;,
 5.0;20.0;0.0;,
 0.0;0.0;1.0;;
 1;
 3;0,1,2;;
 MeshNormals { 3; 0.0;1.0;0.0;, 0.0;1.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
 MeshMaterialList { 1; 1; 0;; Material { 1.0;1.0;1.0;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }
}
)";
        scene.Init();
    }
    CutBlobScene scene;
};

TEST_F(CutBlobTwistTest, VerticesTurnAboutTheAxisByTheirHeightButNotAtTheEdge) {
    ASSERT_EQ(scene.restPositions.size(), 3u);
    const float dt = 0.1f;
    Frame(scene, 84.9f, dt);
    const float phase = 6.5f * dt;
    const D3DXVECTOR3 edge =
        PositionOf(scene.blob.vertexBuffer, scene.restPositions, D3DXVECTOR3(45, 10, 60), 40);
    EXPECT_EQ(edge.x, 45.0f);
    EXPECT_EQ(edge.z, 60.0f);

    const float theta = std::cos(phase + 0.02f * 20.0f) * (75.0f - 5.0f) * 0.008695652f;
    const D3DXVECTOR3 near =
        PositionOf(scene.blob.vertexBuffer, scene.restPositions, D3DXVECTOR3(5, 20, 0), 40);
    EXPECT_NEAR(near.x, 5.0f * std::cos(theta), 1e-5f);
    EXPECT_NEAR(near.y, 20.0f, 1e-6f);
    EXPECT_NEAR(near.z, -5.0f * std::sin(theta), 1e-5f);

    // The twist starts from the rest shape every frame: a second frame at phase 2dt gives the
    // angle of 2dt, not the sum.
    Frame(scene, 85.0f, dt);
    const float theta2 = std::cos(2.0f * phase + 0.4f) * 70.0f * 0.008695652f;
    const D3DXVECTOR3 again =
        PositionOf(scene.blob.vertexBuffer, scene.restPositions, D3DXVECTOR3(5, 20, 0), 40);
    EXPECT_NEAR(again.x, 5.0f * std::cos(theta2), 1e-5f);
}

} // namespace

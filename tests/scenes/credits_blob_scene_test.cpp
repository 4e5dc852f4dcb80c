#include "scenes/credits_blob_scene.h"

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class CreditsBlobSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }

    bool CreditsDrawn() {
        const std::string name = device->Formatter().ObjectName(scene.creditsQuad->vertexBuffer);
        for (const RecordedCall& call : device->CallsNamed("SetStreamSource")) {
            if (call.args[1] == name) {
                return true;
            }
        }
        return false;
    }

    CreditsBlobScene scene;
};

TEST_F(CreditsBlobSceneTest, CreditsBoxSitsAtTheLowerRightInvisibleUntilItsTime) {
    const std::vector<QuadVertex> v = Vertices(scene.creditsQuad);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_NEAR(v[0].x, OverlayX(500), 1e-6f);
    EXPECT_NEAR(v[0].y, OverlayY(400), 1e-6f);
    EXPECT_NEAR(v[2].x, OverlayX(756), 1e-6f);
    EXPECT_NEAR(v[2].y, OverlayY(528), 1e-6f);
    EXPECT_NEAR(v[5].x, OverlayX(500), 1e-6f);
    EXPECT_NEAR(v[5].y, OverlayY(528), 1e-6f);
    EXPECT_EQ(v[2].u, 1.0f);
    EXPECT_EQ(v[2].v, 1.0f);
    for (const QuadVertex& each : v) {
        EXPECT_EQ(each.colour, 0x00FFFFFFu);
    }

    Frame(scene, 80.6f, 1.0f / 60);
    EXPECT_FALSE(CreditsDrawn());
}

TEST_F(CreditsBlobSceneTest, FirstCreditsFrameShowsTheFirstImageAtOneMinusDelta) {
    const float dt = 1.0f / 60.0f;
    Frame(scene, 80.65f, dt);
    device->ClearCalls();
    Frame(scene, 80.66f, dt);
    EXPECT_TRUE(CreditsDrawn());
    EXPECT_EQ(scene.creditsQuad->texture, scene.creditImages[0]);
    EXPECT_EQ(QuadColour(scene.creditsQuad), 0xFBFBFBFBu); // 0.98333 * 255 + 0.5 = 251.25
    Frame(scene, 80.68f, dt);
    EXPECT_EQ(QuadColour(scene.creditsQuad) >> 24, ExpectedByte(1.0f - dt - dt));
}

TEST_F(CreditsBlobSceneTest, AFrameJumpingPastTwoTimesShowsTheNextImageThenTheOneAfter) {
    Frame(scene, 81.0f, 0.02f);
    EXPECT_EQ(scene.creditsStage, 0);
    Frame(scene, 82.5f, 1.5f);
    EXPECT_EQ(scene.creditsStage, 1);
    EXPECT_EQ(scene.creditsQuad->texture, scene.creditImages[1]);
    EXPECT_EQ(QuadColour(scene.creditsQuad), 0u) << "1 - 1.5 is below zero";
    Frame(scene, 82.52f, 0.02f);
    EXPECT_EQ(scene.creditsStage, 2);
    EXPECT_EQ(scene.creditsQuad->texture, scene.creditImages[2]);
    // After the last image has faded the box is still drawn, adding nothing.
    for (int frame = 0; frame < 60; ++frame) {
        Frame(scene, 83.0f + 0.05f * static_cast<float>(frame), 0.05f);
    }
    EXPECT_EQ(scene.creditsAlpha, 0.0f);
    device->ClearCalls();
    Frame(scene, 84.8f, 0.05f);
    EXPECT_TRUE(CreditsDrawn());
    EXPECT_EQ(QuadColour(scene.creditsQuad), 0u);
}

TEST_F(CreditsBlobSceneTest, HalvesAreDrawnLastOnEveryFrame) {
    for (float t : {70.0f, 81.0f}) {
        device->ClearCalls();
        Frame(scene, t, 0.02f);
        const std::vector<RecordedCall> fvfs = device->CallsNamed("SetFVF");
        ASSERT_GE(fvfs.size(), 2u);
        EXPECT_EQ(fvfs[fvfs.size() - 1].args[0], "0x102");
        EXPECT_EQ(fvfs[fvfs.size() - 2].args[0], "0x102");
        const std::vector<RecordedCall> draws = DrawsOf("D3DPT_TRIANGLELIST");
        ASSERT_GE(draws.size(), 2u);
        EXPECT_EQ(draws.back().args[2], "2");
        EXPECT_EQ(device->Calls().back().name, "EndScene");
    }
}

TEST_F(CreditsBlobSceneTest, TwistAccumulatesInsideRadius15AndSparesLength15) {
    const float dt = 0.1f;
    D3DXVECTOR3 expected = ProbeLength5;
    float phi = 0.0f;
    for (int frame = 0; frame < 3; ++frame) {
        Frame(scene, 70.0f + dt * static_cast<float>(frame), dt);
        phi = phi + 7.25f * dt;
        const float f = (15.0f - 5.0f) * 0.14285715f;
        D3DXMATRIX x, y, z;
        D3DXMatrixRotationX(&x, f * std::cos(phi) * 0.05263158f);
        D3DXMatrixRotationY(&y, f * std::cos(phi + std::cos(phi)) * 0.05263158f);
        D3DXMatrixRotationZ(&z, f * std::cos(phi) * 0.055555556f);
        const D3DXMATRIX m = x * y * z;
        const D3DXVECTOR3 before = expected;
        D3DXVec3TransformCoord(&expected, &before, &m);
    }
    // The scene's stored positions are the twisted ones; find the vertex by its rest length.
    bool checked = false;
    void* data = nullptr;
    ASSERT_EQ(scene.blob.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
    for (DWORD i = 0; i < scene.vertexCount; ++i) {
        const auto* p = reinterpret_cast<const float*>(static_cast<const BYTE*>(data) + i * 40);
        if (scene.restLengths[i] == 5.0f) {
            EXPECT_NEAR(p[0], expected.x, 1e-4f);
            EXPECT_NEAR(p[1], expected.y, 1e-4f);
            EXPECT_NEAR(p[2], expected.z, 1e-4f);
            checked = true;
        }
        if (scene.restLengths[i] == 15.0f) {
            EXPECT_EQ(p[0], 0.0f);
            EXPECT_EQ(p[1], 0.0f);
            EXPECT_EQ(p[2], 15.0f);
        }
    }
    scene.blob.vertexBuffer->Unlock();
    EXPECT_TRUE(checked);
}

} // namespace

#include "scenes/opening_blob_scene.h"

#include <cmath>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class OpeningBlobSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }
    OpeningBlobScene scene;
};

TEST_F(OpeningBlobSceneTest, CameraMovesInBetween14And18AndKeepsItsLastDistance) {
    struct Step {
        float t;
        float eyeZ;
    };
    const Step steps[] = {
        {10.0f, -55.0f}, {14.0f, -55.0f}, {16.0f, -35.0f}, {18.0f, -15.0f}, {20.0f, -15.0f}};
    for (const Step& step : steps) {
        Frame(scene, step.t, 0.02f);
        ExpectMatrixNear(View(), LookAt({0, 0, step.eyeZ}, {0, 0, 0}), 1e-5f);
    }
}

TEST_F(OpeningBlobSceneTest, LogoFadesOutBetween8And12AndKeepsItsLastColour) {
    Frame(scene, 5.0f, 0.1f);
    EXPECT_EQ(QuadColour(scene.logoQuad), 0xFFFFFFFFu);
    Frame(scene, 10.0f, 0.1f);
    EXPECT_EQ(QuadColour(scene.logoQuad), 0x80FFFFFFu); // alpha 0.5
    Frame(scene, 11.9f, 0.1f);
    const D3DCOLOR last = (ExpectedByte((12.0f - 11.9f) * 0.25f) << 24) | 0xFFFFFF;
    EXPECT_EQ(QuadColour(scene.logoQuad), last);
    Frame(scene, 13.0f, 0.1f);
    EXPECT_EQ(QuadColour(scene.logoQuad), last);
}

TEST_F(OpeningBlobSceneTest, EachBlockFlashesOncePerEventAndFadesInAFifthOfASecond) {
    const int eventCounts[3] = {26, 9, 9};
    int flashes[3] = {};
    DWORD previous[3] = {};
    const float dt = 0.05f;
    for (int frame = 1; frame <= 300; ++frame) {
        Frame(scene, static_cast<float>(frame) * dt, dt);
        for (int k = 0; k < 3; ++k) {
            const DWORD alpha = QuadColour(&scene.blocks[k]) >> 24;
            if (frame == 1) {
                EXPECT_EQ(alpha, ExpectedByte(0.6f - dt * 5.0f)) << "blocks start at 0.6 and fade";
            }
            if (alpha == 255) {
                ++flashes[k];
            } else if (previous[k] == 255) {
                EXPECT_EQ(alpha, ExpectedByte(1.0f - dt * 5.0f)) << "block " << k << " frame " << frame;
            }
            previous[k] = alpha;
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(flashes[k], eventCounts[k]) << "block " << k;
        EXPECT_EQ(scene.lastBlockEvent[k], eventCounts[k] - 1);
    }
}

TEST_F(OpeningBlobSceneTest, CirclesFlashToTheEventIntensityAndFadeAtItsRate) {
    const int eventCounts[3] = {21, 7, 7};
    int triggers[3] = {};
    int last[3] = {-1, -1, -1};
    const float dt = 0.05f;
    for (int frame = 0; frame <= 260; ++frame) {
        Frame(scene, 15.0f + static_cast<float>(frame) * dt, dt);
        for (int k = 0; k < 3; ++k) {
            if (scene.lastCircleEvent[k] != last[k]) {
                EXPECT_EQ(scene.lastCircleEvent[k], last[k] + 1) << "circle " << k << " skipped an event";
                last[k] = scene.lastCircleEvent[k];
                ++triggers[k];
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(triggers[k], eventCounts[k]) << "circle " << k;
    }
}

TEST_F(OpeningBlobSceneTest, MiddleCircleFirstFlashStartsAtIntensityAndFadesAtRateTwo) {
    Frame(scene, 16.0f, 0.05f);
    EXPECT_EQ(QuadColour(&scene.circles[1]) >> 24, 0u);
    Frame(scene, 16.1f, 0.05f); // inside [16.071, 16.871]
    EXPECT_EQ(QuadColour(&scene.circles[1]) >> 24, ExpectedByte(0.2f));
    Frame(scene, 16.15f, 0.05f);
    EXPECT_EQ(QuadColour(&scene.circles[1]) >> 24, ExpectedByte(0.2f - 0.2f * 2.0f * 0.05f));
}

TEST_F(OpeningBlobSceneTest, FadeToBlackOverTheLastSecondAndAHalfUnderTheOverlay) {
    struct Step {
        float t;
        DWORD alpha;
    };
    const Step steps[] = {{27.25f, ExpectedByte((27.25f - 26.5f) * 0.6666667f)}, {28.0f, 255}};
    for (const Step& step : steps) {
        device->ClearCalls();
        Frame(scene, step.t, 0.02f);
        EXPECT_EQ(QuadColour(scene.fadeQuad) >> 24, step.alpha);
        // The fade is the last layer but one; the frame overlay lies on top.
        std::vector<std::string> sources;
        for (const RecordedCall& call : device->CallsNamed("SetStreamSource")) {
            sources.push_back(call.args[1]);
        }
        ASSERT_GE(sources.size(), 2u);
        EXPECT_EQ(sources[sources.size() - 2], device->Formatter().ObjectName(scene.fadeQuad->vertexBuffer));
        EXPECT_EQ(sources.back(), device->Formatter().ObjectName(scene.overlayQuad->vertexBuffer));
    }
}

TEST_F(OpeningBlobSceneTest, TwistTurnsInnerVerticesByAnglesScaledWithTheirRestLength) {
    Frame(scene, 7.0f, 0.2f);
    EXPECT_EQ(scene.twistPhase, 0.0f) << "no twist before 8 s";
    Frame(scene, 8.0f, 0.2f);
    const float phase = 0.2f * 1.5f;
    const float a = 3.2f * std::cos(1.9f * phase) + std::sin(2.2f * phase);
    const float b = 3.5f * std::sin(phase);
    const float c = 2.9f * std::cos(1.5f * phase);
    struct Case {
        D3DXVECTOR3 rest;
        float d; // (10 - length) / 10
        bool written;
    };
    const Case cases[] = {
        {ProbeLength5, 0.5f, true},
        {ProbeLength10, 0.0f, true},
        {ProbeLength15, -0.5f, true},
        {ProbeLength25, 0.0f, false},
    };
    for (const Case& each : cases) {
        D3DXVECTOR3 expected = each.rest;
        if (each.written) {
            D3DXMATRIX x, y, z, m;
            D3DXMatrixRotationX(&x, each.d * a);
            D3DXMatrixRotationY(&y, each.d * b);
            D3DXMatrixRotationZ(&z, each.d * c);
            m = x * y * z;
            D3DXVec3TransformCoord(&expected, &each.rest, &m);
        }
        const D3DXVECTOR3 actual = PositionOf(scene.blob.vertexBuffer, scene.restPositions, each.rest, 24);
        EXPECT_NEAR(actual.x, expected.x, 1e-4f);
        EXPECT_NEAR(actual.y, expected.y, 1e-4f);
        EXPECT_NEAR(actual.z, expected.z, 1e-4f);
    }
}

TEST_F(OpeningBlobSceneTest, ClearsDarkBlueAndDrawsEveryLayerInsideOneScene) {
    Frame(scene, 20.0f, 0.02f);
    const std::vector<RecordedCall>& calls = device->Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().name, "Clear");
    EXPECT_EQ(calls.front().args[3], "0xFF000028");
    EXPECT_EQ(calls.back().name, "EndScene");
    EXPECT_EQ(device->CallsNamed("BeginScene").size(), 1u);
    // Logo, three blocks, three circles, overlay; the fade only from 26.5 s.
    EXPECT_EQ(DrawsOf("D3DPT_TRIANGLELIST").size(), 8u);
}

} // namespace

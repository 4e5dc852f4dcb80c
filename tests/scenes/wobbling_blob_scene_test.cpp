#include "scenes/wobbling_blob_scene.h"

#include <cmath>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class WobbleBlobSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }

    // Top-left and bottom-right pixel corners of square i, read back from its vertices.
    void ExpectSquareAt(int i, float left, float top, float right, float bottom) {
        const std::vector<QuadVertex> v = Vertices(scene.squares[i]);
        ASSERT_EQ(v.size(), 6u);
        EXPECT_NEAR(v[0].x, OverlayX(left), 2e-5f);
        EXPECT_NEAR(v[0].y, OverlayY(top), 2e-5f);
        EXPECT_NEAR(v[2].x, OverlayX(right), 2e-5f);
        EXPECT_NEAR(v[2].y, OverlayY(bottom), 2e-5f);
        EXPECT_NEAR(v[5].x, OverlayX(left), 2e-5f);
        EXPECT_NEAR(v[5].y, OverlayY(bottom), 2e-5f);
        for (const QuadVertex& each : v) {
            EXPECT_EQ(each.colour, 0xFFFFFFFFu);
            EXPECT_EQ(each.z, 0.0f);
        }
    }

    WobbleBlobScene scene;
};

TEST_F(WobbleBlobSceneTest, SquaresRunRightHopOverTheRightPartAndWrapAt800) {
    struct Case {
        int square;
        float travel; // pixels moved in one frame
        float x;      // expected left edge
        float y;      // expected top edge
    };
    const Case cases[] = {
        {15, 50.0f, 650.0f, 156.0f}, // 600 -> 650: the top of the hop
        {12, 20.0f, 500.0f, 256.0f}, // 480 -> 500: the hop starts
        {0, 40.0f, 40.0f, 256.0f},   // left part: level
        {19, 40.5f, 0.5f, 256.0f},   // 760 -> 800.5 wraps to 0.5
    };
    for (const Case& c : cases) {
        WobbleBlobScene fresh;
        fresh.Init();
        MusicClock::seconds = 43.0f;
        MusicClock::delta = c.travel / 180.0f;
        fresh.Render();
        EXPECT_NEAR(fresh.squareX[c.square], c.x, 1e-3f) << "square " << c.square;
        const std::vector<QuadVertex> v = Vertices(fresh.squares[c.square]);
        ASSERT_EQ(v.size(), 6u);
        EXPECT_NEAR(v[0].x, OverlayX(c.x), 1e-5f) << "square " << c.square;
        EXPECT_NEAR(v[0].y, OverlayY(c.y), 1e-4f) << "square " << c.square;
    }
}

TEST_F(WobbleBlobSceneTest, RestSquareCovers16PixelsAndABeatMakesIt2sMinus16) {
    Frame(scene, 43.0f, 0.0f);
    ExpectSquareAt(0, 0, 256, 16, 272);
    Frame(scene, 43.567f, 0.0f); // the first beat fires exactly on its time
    EXPECT_EQ(scene.lastBeat, 0);
    EXPECT_EQ(scene.squareSize, 24.0f);
    ExpectSquareAt(0, -4, 252, 28, 284); // 32 x 32 from (x - 4, y - 4)
}

TEST_F(WobbleBlobSceneTest, BeatShrinksInItsOwnFrameAndIsBackAtRestAfterAFifth) {
    const float dt = 1.0f / 60.0f;
    Frame(scene, 43.0f, dt);
    Frame(scene, 43.57f, dt);
    EXPECT_NEAR(scene.squareSize, 24.0f - 40.0f * dt, 1e-5f);
    float t = 43.57f;
    for (int frame = 0; frame < 13; ++frame) {
        t += dt;
        Frame(scene, t, dt);
    }
    EXPECT_EQ(scene.squareSize, 16.0f);
}

TEST_F(WobbleBlobSceneTest, BeatsSkippedByALongFrameFireOneAFrame) {
    Frame(scene, 43.0f, 0.02f);
    EXPECT_EQ(scene.lastBeat, -1) << "nothing before 43.567";
    Frame(scene, 44.0f, 1.0f); // passes 43.567 and 43.987
    EXPECT_EQ(scene.lastBeat, 0);
    Frame(scene, 44.01f, 0.01f);
    EXPECT_EQ(scene.lastBeat, 1);
    Frame(scene, 44.02f, 0.01f);
    EXPECT_EQ(scene.lastBeat, 1);
    Frame(scene, 56.0f, 12.0f);
    for (int frame = 0; frame < 40; ++frame) {
        Frame(scene, 56.01f, 0.0f);
    }
    EXPECT_EQ(scene.lastBeat, 30) << "after the last beat nothing more fires";
}

TEST_F(WobbleBlobSceneTest, WobbleScalesInnerVerticesFromTheirRestPositionEveryFrame) {
    for (int frame = 0; frame < 3; ++frame) {
        const float t = 43.0f + 0.1f * static_cast<float>(frame);
        Frame(scene, t, 0.1f);
    }
    const float phi = scene.wobblePhase;
    for (const D3DXVECTOR3& p : {ProbeLength5, ProbeLength13, ProbeLength25}) {
        const float k = 2.0f +
                        0.5f * std::cos(phi + std::sin(0.05f * (p.x + p.y) + 0.33333334f * phi) +
                                        0.01f * (p.x + p.y + p.z)) +
                        0.33333334f * std::sin(phi + 0.05f * (p.x + p.z));
        const D3DXVECTOR3 actual = PositionOf(scene.blob.vertexBuffer, scene.restPositions, p, 32);
        EXPECT_NEAR(actual.x, k * p.x, 1e-4f);
        EXPECT_NEAR(actual.y, k * p.y, 1e-4f);
        EXPECT_NEAR(actual.z, k * p.z, 1e-4f);
    }
    const D3DXVECTOR3 far = PositionOf(scene.blob.vertexBuffer, scene.restPositions, ProbeLength100, 32);
    EXPECT_EQ(far.x, 60.0f) << "a vertex exactly 100 from the origin never moves";
    EXPECT_EQ(far.y, 80.0f);
}

TEST_F(WobbleBlobSceneTest, OverlayIsDrawnAfterAllTwentySquares) {
    Frame(scene, 50.0f, 0.02f);
    std::vector<std::string> sources;
    for (const RecordedCall& call : device->CallsNamed("SetStreamSource")) {
        sources.push_back(call.args[1]);
    }
    ASSERT_GE(sources.size(), 21u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(sources[sources.size() - 21 + i],
                  device->Formatter().ObjectName(scene.squares[i]->vertexBuffer));
    }
    EXPECT_EQ(sources.back(), device->Formatter().ObjectName(scene.overlayQuad->vertexBuffer));
}

} // namespace

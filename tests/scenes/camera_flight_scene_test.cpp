#include "scenes/camera_flight_scene.h"

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class CameraFlightSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        scene.Init();
    }
    CameraFlightScene scene;
};

TEST_F(CameraFlightSceneTest, BlackUnderTheOverlayBefore29_411) {
    Frame(scene, 28.5f, 0.02f);
    EXPECT_EQ(device->CallsNamed("Clear").at(0).args[3], "0xFF000000");
    EXPECT_TRUE(device->CallsNamed("DrawIndexedPrimitive").empty());
    EXPECT_TRUE(DrawsOf("D3DPT_LINESTRIP").empty());
    ASSERT_EQ(DrawsOf("D3DPT_TRIANGLELIST").size(), 1u) << "only the overlay";
    EXPECT_EQ(scene.trails[0].pointCount, 2) << "trails stand still until drawn";
}

TEST_F(CameraFlightSceneTest, CameraCutsAndSweepsWithTheMusic) {
    struct Step {
        float t;
        float dt;
        D3DXVECTOR3 eye;
        D3DXVECTOR3 target;
    };
    const D3DXVECTOR3 source(-145, 37, -28);
    const Step steps[] = {
        {29.5f, 0.1f, {41, 35, -20}, source},
        {29.7f, 0.1f, {82, 45, -40}, source},
        {29.75f, 0.05f, {10, 15, 40}, source},
        {29.9f, 0.15f, {82, 45, -40}, source},
        {30.1f, 0.25f, {41 - 80 * 0.25f, 35, -12}, source}, // first sweep: 0.25 s in it
        {30.2f, 0.1f, {41 - 80 * 0.35f, 35, -12}, source},  // its clock keeps adding
        {33.0f, 0.5f, {81 - 80 * 0.5f, 35, -212}, source},  // second sweep, own clock
        {36.2f, 0.5f, {82, 45 - 70 * 0.5f, -40}, {-145, 37, -28 + 80 * 0.5f}},
        {41.089f, 0.2f, {82, 45 - 70 * 0.2f, -40}, {-145, 37, -28 + 80 * 0.2f}}, // end is inclusive
        {41.2f, 0.1f, {82, 45 - 70 * 0.1f, -40}, {-145, 37, -28 + 80 * 0.1f}},
    };
    for (const Step& step : steps) {
        Frame(scene, step.t, step.dt);
        ExpectMatrixNear(View(), LookAt(step.eye, step.target), 1e-3f);
    }
}

TEST_F(CameraFlightSceneTest, LongFramesAddOnePointEachUpToTwenty) {
    // Frames of 0.25 s: one new point a frame, never two; the timer stays above 0.1.
    int expected = 2;
    float t = 30.0f;
    for (int frame = 0; frame < 25; ++frame) {
        device->ClearCalls();
        Frame(scene, t, 0.25f);
        t += 0.25f;
        expected = std::min(expected + 1, 20);
        const CameraFlightScene::Trail& trail = scene.trails[0];
        EXPECT_EQ(trail.pointCount, expected) << "frame " << frame;
        EXPECT_GT(trail.timer, 0.1f);
        const std::vector<RecordedCall> strips = DrawsOf("D3DPT_LINESTRIP");
        ASSERT_EQ(strips.size(), 45u);
        EXPECT_EQ(strips[0].args[2], std::to_string(expected - 1));
    }
}

TEST_F(CameraFlightSceneTest, FullTrailDropsItsOldestPoint) {
    float t = 30.0f;
    for (int frame = 0; frame < 18; ++frame) {
        Frame(scene, t, 0.25f);
        t += 0.25f;
    }
    ASSERT_EQ(scene.trails[0].pointCount, 20);
    const D3DXVECTOR3 secondOldest = scene.trails[0].points[1];
    Frame(scene, t, 0.25f);
    EXPECT_EQ(scene.trails[0].pointCount, 20);
    EXPECT_EQ(scene.trails[0].points[0].x, secondOldest.x);
    EXPECT_EQ(scene.trails[0].points[0].y, secondOldest.y);
    EXPECT_EQ(scene.trails[0].points[0].z, secondOldest.z);
}

TEST_F(CameraFlightSceneTest, NewestPointFollowsTheHeadInBrightRed) {
    Frame(scene, 30.0f, 0.05f);
    const CameraFlightScene::Trail& trail = scene.trails[3];
    void* data = nullptr;
    ASSERT_EQ(trail.strip->Lock(0, 0, &data, 0), D3D_OK);
    const auto* vertices = static_cast<const CameraFlightScene::StripVertex*>(data);
    const CameraFlightScene::StripVertex newest = vertices[trail.pointCount - 1];
    trail.strip->Unlock();
    EXPECT_EQ(newest.colour, 0xFFFF3333u); // (1.0, 0.2, 0.2, 1.0)
    EXPECT_FLOAT_EQ(newest.x, -145.0f + trail.direction.x * 0.05f);
    EXPECT_FLOAT_EQ(newest.y, 37.0f + trail.direction.y * 0.05f);
    EXPECT_FLOAT_EQ(newest.z, -28.0f + trail.direction.z * 0.05f);
}

TEST_F(CameraFlightSceneTest, HeadFlaresPulseOnTheBeatsAndKeepTheirLastSize) {
    Frame(scene, 33.0f, 0.02f);
    EXPECT_EQ(scene.trails[0].headHalfWidth, 5.0f);
    Frame(scene, 33.257f, 0.02f); // beat 33.157 + 0.1
    for (int i = 0; i < CameraFlightScene::TrailCount; ++i) {
        EXPECT_NEAR(scene.trails[i].headHalfWidth, 15.0f, 1e-3f);
        EXPECT_NEAR(scene.trails[i].headHalfHeight, 15.0f, 1e-3f);
    }
    Frame(scene, 33.5f, 0.02f); // between pulses: unchanged
    EXPECT_NEAR(scene.trails[0].headHalfWidth, 15.0f, 1e-3f);
}

TEST_F(CameraFlightSceneTest, TrailsGetTheirRandomParametersInDrawOrder) {
    // A fresh generator: the first trail takes draws 1 to 9 of the sequence.
    std::uint32_t state = 1;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    };
    const CameraFlightScene::Trail& trail = scene.trails[0];
    EXPECT_FLOAT_EQ(trail.direction.x, static_cast<float>(next() % 500 - 250) * 0.1f);
    EXPECT_FLOAT_EQ(trail.direction.y, static_cast<float>(next() % 500 - 250) * 0.1f);
    EXPECT_FLOAT_EQ(trail.direction.z, static_cast<float>(next() % 500 - 250) * 0.1f);
    EXPECT_FLOAT_EQ(trail.frequency.x, static_cast<float>(next() % 400 - 200) * 0.005f);
    EXPECT_FLOAT_EQ(trail.frequency.y, static_cast<float>(next() % 400 - 200) * 0.005f);
    EXPECT_FLOAT_EQ(trail.frequency.z, static_cast<float>(next() % 400 - 200) * 0.005f);
    EXPECT_EQ(trail.phase.x, static_cast<float>(next() % 400));
    EXPECT_EQ(trail.phase.y, static_cast<float>(next() % 400));
    EXPECT_EQ(trail.phase.z, static_cast<float>(next() % 400));
}

} // namespace

// The scene inits as the demo runs them: only the final room, the opening blob, the camera
// flight and the twisting stack draw from the shared generator, in that order, each going
// on where the one before stopped. Expected values are worked out by hand from the
// generator (state = state * 214013 + 2531011 from state 1, value (state >> 16) & 0x7FFF)
// and the draws each init makes: values 1 to 12000 fill the final room's particle store,
// the opening blob's 17 unequal pairs take 42 values (12001 to 12042, redraws included),
// the flight's 45 trails nine each (12043 to 12447), the stack's 800 flares four each
// (12448 to 15647).

#include <memory>

#include "shell/demo_scene_set.h"
#include "tests/scenes/scene_test_support.h"

namespace {

using SceneInitOrder = SceneTestSupport::SceneTest;

TEST_F(SceneInitOrder, EachSceneDrawsTheRandomValuesItsPlaceInTheInitOrderGives) {
    // The demo's own set (one object for the whole run) is built here afresh.
    const auto scenes = std::make_unique<DemoSceneSet>();
    scenes->InitAll();
    const CameraFlightScene* flight = &scenes->cameraFlight;
    const TwistStackScene* stack = &scenes->twistStack;

    // Trail 0 from values 12043 to 12051: 9450, 12746, 12336, 3995, 17526, 17346, 26298,
    // 27626, 24570.
    const CameraFlightScene::Trail& trail = flight->trails[0];
    EXPECT_NEAR(trail.direction.x, 20.0f, 1e-5f); // (9450 % 500 - 250) * 0.1
    EXPECT_NEAR(trail.direction.y, -0.4f, 1e-5f);
    EXPECT_NEAR(trail.direction.z, 8.6f, 1e-5f);
    EXPECT_NEAR(trail.frequency.x, 0.975f, 1e-6f); // (3995 % 400 - 200) * 0.005
    EXPECT_NEAR(trail.frequency.y, 0.63f, 1e-6f);
    EXPECT_NEAR(trail.frequency.z, -0.27f, 1e-6f);
    EXPECT_EQ(trail.phase.x, 298.0f); // 26298 % 400
    EXPECT_EQ(trail.phase.y, 26.0f);
    EXPECT_EQ(trail.phase.z, 170.0f);

    // Flare 0 from values 12448 to 12451: 24455, 8852, 16354, 11911.
    ASSERT_FALSE(stack->flarePositions.empty());
    EXPECT_NEAR(stack->flarePositions[0].x, 2.46f, 1e-5f);  // (24455 % 500 * 0.004 - 1) * 3
    EXPECT_NEAR(stack->flarePositions[0].y, 1.224f, 1e-5f); // (8852 % 500 * 0.004 - 1) * 3
    EXPECT_NEAR(stack->flarePositions[0].z, 85.4f, 1e-4f);  // 16354 % 3000 * 0.1 - 50
    EXPECT_NEAR(stack->flareSpeeds[0], 37.905255f, 1e-4f);  // sin(11911 % 5000) * 10 + 30

    // Nothing else drew: the next value is number 15648.
    EXPECT_EQ(SharedRandom::Next(), 1413);
}

} // namespace

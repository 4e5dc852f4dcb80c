// What every scene does with a frame: clear to its colour first, one Direct3D scene,
// nothing drawn outside it.

#include "scenes/beat_room_scene.h"
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/cut_blob_scene.h"
#include "scenes/final_room_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/swirl_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/water_room_scene.h"
#include "scenes/wobbling_blob_scene.h"

#include <memory>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

struct FrameCase {
    const char* name;
    std::unique_ptr<Scene> (*make)();
    float t;
    const char* clearColour;
};

template <typename SceneType> std::unique_ptr<Scene> Make() {
    auto scene = std::make_unique<SceneType>();
    scene->Init();
    return scene;
}

const FrameCase Cases[] = {
    {"opening", Make<OpeningBlobScene>, 20.0f, "0xFF000028"},
    {"flight", Make<CameraFlightScene>, 35.0f, "0xFF000000"},
    {"wobble", Make<WobbleBlobScene>, 50.0f, "0xFF000028"},
    {"stack", Make<TwistStackScene>, 60.0f, "0xFF000028"},
    {"credits", Make<CreditsBlobScene>, 82.0f, "0xFF000028"},
    {"cuts", Make<CutBlobScene>, 90.0f, "0xFF000000"},
    {"swirl", Make<SwirlBlobScene>, 105.0f, "0xFF000028"},
    {"beat room", Make<BeatRoomScene>, 130.0f, "0xFF000028"},
    {"water room", Make<WaterRoomScene>, 150.0f, "0xFF000028"},
    {"final room", Make<FinalRoomScene>, 165.0f, "0xFF000000"},
};

class SceneFrameTest : public SceneTest {};

TEST_F(SceneFrameTest, ClearThenOneSceneWithEveryDrawInside) {
    for (const FrameCase& c : Cases) {
        std::unique_ptr<Scene> scene = c.make();
        device->ClearCalls();
        MusicClock::seconds = c.t;
        MusicClock::delta = 0.02f;
        scene->Render();
        const std::vector<RecordedCall>& calls = device->Calls();
        ASSERT_FALSE(calls.empty()) << c.name;
        // Only vertex updates (the swirl's, before its clear) may come before the clear.
        auto clear = calls.begin();
        while (clear != calls.end() && (clear->name == "Lock" || clear->name == "Unlock")) {
            ++clear;
        }
        ASSERT_NE(clear, calls.end()) << c.name;
        EXPECT_EQ(clear->name, "Clear") << c.name;
        EXPECT_EQ(clear->args[2], "3") << c.name << ": target and depth";
        EXPECT_EQ(clear->args[3], c.clearColour) << c.name;
        EXPECT_EQ(calls.back().name, "EndScene") << c.name;
        EXPECT_EQ(device->CallsNamed("BeginScene").size(), 1u) << c.name;
        bool inScene = false;
        for (const RecordedCall& call : calls) {
            if (call.name == "BeginScene") {
                inScene = true;
            } else if (call.name == "EndScene") {
                inScene = false;
            } else if (call.name == "DrawPrimitive" || call.name == "DrawIndexedPrimitive") {
                EXPECT_TRUE(inScene) << c.name << ": draw outside the scene";
            }
        }
        EXPECT_FALSE(DrawsOf("D3DPT_TRIANGLELIST").empty()) << c.name;
    }
}

} // namespace

namespace {

// Without any media on disk every scene still initialises and draws its frame.
TEST_F(SceneFrameTest, MissingMediaStillGiveWholeFrames) {
    for (const char* name : SceneTestSupport::MeshNames) {
        std::filesystem::remove(name);
    }
    for (const FrameCase& c : Cases) {
        std::unique_ptr<Scene> scene = c.make();
        for (float t : {c.t, c.t + 0.5f, c.t + 1.0f}) {
            device->ClearCalls();
            MusicClock::seconds = t;
            MusicClock::delta = 0.5f;
            scene->Render();
            ASSERT_FALSE(device->Calls().empty()) << c.name;
            EXPECT_EQ(device->Calls().back().name, "EndScene") << c.name;
            EXPECT_FALSE(DrawsOf("D3DPT_TRIANGLELIST").empty()) << c.name << ": the 2D layers still draw";
        }
    }
}

} // namespace

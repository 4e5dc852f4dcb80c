#include "shell/demo_scenes.h"

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
#include "shell/log_file.h"
#include "shell/scene_schedule.h"

// The globals whose construction order shows live in this one file, in the order start-up
// needs: the empty timeline, then the log (whose start banner is its first write, and whose
// end banner comes after everything constructed later has gone), then the scenes.
namespace {

SceneTimeline timeline;
LogFile runLog;

OpeningBlobScene openingBlob;
CameraFlightScene cameraFlight;
WobbleBlobScene wobbleBlob;
TwistStackScene twistStack;
CreditsBlobScene creditsBlob;
CutBlobScene cutBlob;
SwirlBlobScene swirlBlob;
BeatRoomScene beatRoom;
WaterRoomScene waterRoom;
FinalRoomScene finalRoom;

// Timeline order: the order of the music windows in sceneSchedule.
Scene* const scheduled[] = {&openingBlob, &cameraFlight, &wobbleBlob, &twistStack, &creditsBlob,
                            &cutBlob,     &swirlBlob,    &beatRoom,   &waterRoom,  &finalRoom};
static_assert(sizeof scheduled / sizeof scheduled[0] == sceneCount);
// The names the call trace gives them: their class names.
constexpr const char* scheduledNames[] = {
    "OpeningBlobScene", "CameraFlightScene", "WobbleBlobScene", "TwistStackScene", "CreditsBlobScene",
    "CutBlobScene",     "SwirlBlobScene",    "BeatRoomScene",   "WaterRoomScene",  "FinalRoomScene"};
static_assert(sizeof scheduledNames / sizeof scheduledNames[0] == sceneCount);

} // namespace

SceneTimeline& DemoScenes::Timeline() {
    return timeline;
}

void DemoScenes::InitAll() {
    cutBlob.Init();
    creditsBlob.Init();
    swirlBlob.Init();
    finalRoom.Init();
    openingBlob.Init();
    cameraFlight.Init();
    waterRoom.Init();
    twistStack.Init();
    beatRoom.Init();
    wobbleBlob.Init();
}

void DemoScenes::Register() {
    for (int i = 0; i < sceneCount; ++i) {
        timeline.Add(scheduled[i], sceneSchedule[i].start, sceneSchedule[i].end, scheduledNames[i]);
    }
}

#include "shell/demo_scenes.h"

#include "shell/demo_scene_set.h"
#include "shell/log_file.h"
#include "shell/scene_schedule.h"

// The globals whose construction order shows live in this one file, in the order start-up
// needs: the empty timeline, then the log (whose start banner is its first write, and whose
// end banner comes after everything constructed later has gone), then the scenes.
namespace {

SceneTimeline timeline;
LogFile runLog;

DemoSceneSet scenes;

// Timeline order: the order of the music windows in sceneSchedule.
Scene* const scheduled[] = {&scenes.openingBlob, &scenes.cameraFlight, &scenes.wobbleBlob, &scenes.twistStack,
                            &scenes.creditsBlob, &scenes.cutBlob,      &scenes.swirlBlob,  &scenes.beatRoom,
                            &scenes.waterRoom,   &scenes.finalRoom};
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
    scenes.InitAll();
}

void DemoScenes::Register() {
    for (int i = 0; i < sceneCount; ++i) {
        timeline.Add(scheduled[i], sceneSchedule[i].start, sceneSchedule[i].end, scheduledNames[i]);
    }
}

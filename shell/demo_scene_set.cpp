#include "shell/demo_scene_set.h"

void DemoSceneSet::InitAll() {
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

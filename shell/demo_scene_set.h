#pragma once
// The ten scene objects of the demo, and the fixed order in which their inits run.

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

struct DemoSceneSet {
    // Runs every scene's init directly, in the fixed init order. The order matters: some
    // inits draw from the shared random generator, each continuing where the one before
    // stopped.
    void InitAll();

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
};

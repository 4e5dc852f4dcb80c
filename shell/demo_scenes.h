#pragma once
// The ten scene objects and the demo's timeline: the one place that lists the scenes.

#include "shell/scene_timeline.h"

namespace DemoScenes {

// The demo's timeline; empty until Register.
SceneTimeline& Timeline();

// Runs every scene's init in the fixed init order (DemoSceneSet::InitAll).
void InitAll();

// Appends the ten scenes to the timeline in schedule order with their music windows.
void Register();

} // namespace DemoScenes

#pragma once
// The ten scene objects and the demo's timeline: the one place that lists the scenes.

#include "shell/scene_timeline.h"

namespace DemoScenes {

// The demo's timeline; empty until Register.
SceneTimeline& Timeline();

// Runs every scene's init directly, in the fixed init order. The order matters: some inits
// draw from the shared random generator, each continuing where the one before stopped.
void InitAll();

// Appends the ten scenes to the timeline in schedule order with their music windows.
void Register();

} // namespace DemoScenes

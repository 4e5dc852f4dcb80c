#include "shell/scene_timeline.h"

#include "shell/music_clock.h"
#include "shell/scene.h"

void SceneTimeline::Add(Scene* scene, float start, float end) {
    entries.push_back({start, end, scene});
}

void SceneTimeline::Dispatch() {
    MusicClock::Update();
    RenderAt(MusicClock::seconds);
}

void SceneTimeline::RenderAt(float t) const {
    for (const TimelineEntry& entry : entries) {
        // Written as "not below start" so that NaN fails the second test as well.
        if (!(t < entry.start) && t <= entry.end && entry.scene != nullptr) {
            entry.scene->Render();
        }
    }
}

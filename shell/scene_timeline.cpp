#include "shell/scene_timeline.h"

#include "platform/trace/call_trace.h"
#include "shell/music_clock.h"
#include "shell/scene.h"

void SceneTimeline::Add(Scene* scene, float start, float end, const char* name) {
    entries.push_back({start, end, scene, name});
}

bool SceneTimeline::Contains(const TimelineEntry& entry, float t) {
    // Written as "not below start" so that NaN fails the second test as well.
    return !(t < entry.start) && t <= entry.end && entry.scene != nullptr;
}

void SceneTimeline::Dispatch() {
    MusicClock::Update();
    if (CallTrace::Enabled()) {
        std::vector<std::string> dispatched;
        for (const TimelineEntry& entry : entries) {
            if (Contains(entry, MusicClock::seconds)) {
                dispatched.emplace_back(entry.name);
            }
        }
        CallTrace::Record("SceneTimeline::Dispatch", dispatched);
    }
    RenderAt(MusicClock::seconds);
}

void SceneTimeline::RenderAt(float t) const {
    for (const TimelineEntry& entry : entries) {
        if (Contains(entry, t)) {
            entry.scene->Render();
        }
    }
}

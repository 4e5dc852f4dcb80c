#pragma once
// The schedule of scenes: each entry renders while the music time lies in its window.

#include <list>

class Scene;

struct TimelineEntry {
    float start;      // first music second at which the scene renders
    float end;        // last music second at which the scene renders (inclusive)
    Scene* scene;     // not owned
    const char* name; // what the call trace calls the scene
};

class SceneTimeline {
  public:
    // Appends an entry; entries render in the order they were added. `name` (a string that
    // outlives the timeline) labels the scene in the call trace.
    void Add(Scene* scene, float start, float end, const char* name = "Scene");

    // The per-frame step: updates the music clock and renders every scene whose window
    // contains the new time. While the call trace is on it first records
    // "SceneTimeline::Dispatch" with the names of those scenes, in render order.
    void Dispatch();

    // Renders, in list order, every scene with start <= t <= end (single precision); a
    // time that is not a number matches nothing.
    void RenderAt(float t) const;

    const std::list<TimelineEntry>& Entries() const { return entries; }

  private:
    static bool Contains(const TimelineEntry& entry, float t);

    std::list<TimelineEntry> entries;
};

#pragma once
// The schedule of scenes: each entry renders while the music time lies in its window.

#include <list>

class Scene;

struct TimelineEntry {
    float start;  // first music second at which the scene renders
    float end;    // last music second at which the scene renders (inclusive)
    Scene* scene; // not owned
};

class SceneTimeline {
  public:
    // Appends an entry; entries render in the order they were added.
    void Add(Scene* scene, float start, float end);

    // The per-frame step: updates the music clock and renders every scene whose window
    // contains the new time.
    void Dispatch();

    // Renders, in list order, every scene with start <= t <= end (single precision); a
    // time that is not a number matches nothing.
    void RenderAt(float t) const;

    const std::list<TimelineEntry>& Entries() const { return entries; }

  private:
    std::list<TimelineEntry> entries;
};

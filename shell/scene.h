#pragma once
// What the timeline calls once per frame on every scene whose window contains the music
// time. Start-up calls each scene's Init directly, never through this interface.

class Scene {
  public:
    virtual ~Scene() = default;
    // Clears, begins the Direct3D scene, draws and ends it; does not present.
    virtual void Render() = 0;
};

#pragma once
// Shows frames rendered where no window surface is (the reference device's software context)
// in a window, through a System context of its own on that window: the pixels go up into a
// texture and are blitted, scaled to the window, onto its back buffer, which is then swapped.

#include "platform/d3d9/gl_share_root.h"

class WindowPresenter {
  public:
    WindowPresenter() = default;
    WindowPresenter(const WindowPresenter&) = delete;
    WindowPresenter& operator=(const WindowPresenter&) = delete;
    ~WindowPresenter();

    // Shows `rgba` (width x height, bottom row first, as GL reads it) in `window`. False when
    // the window system gives no context for it. Leaves the presenter's context current.
    bool Show(SDL_Window* window, const unsigned char* rgba, int width, int height);

    // Sets the swap interval of the presenter's context on `window` (made if need be).
    void SetSwapInterval(SDL_Window* window, int interval);

    // Lets go of the context and its objects; `windowAlive` says whether the context may
    // still be made current on its window.
    void Release(bool windowAlive);

  private:
    bool Prepare(SDL_Window* window);

    GlContext context_;
    bool failed_ = false;
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
};

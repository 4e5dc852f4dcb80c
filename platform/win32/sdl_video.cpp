// SDL's video subsystem, brought up once on first need and kept for the whole run.
#include <cstdio>

#include "platform/win32/platform_window.h"

namespace Win32Platform {

namespace {
int videoState = 0; // 0: not tried, 1: ready, -1: failed
}

bool EnsureVideo() {
    if (videoState == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            videoState = 1;
        } else {
            std::fprintf(stderr, "video: %s\n", SDL_GetError());
            videoState = -1;
        }
    }
    return videoState == 1;
}

bool VideoReady() {
    return videoState == 1;
}

} // namespace Win32Platform

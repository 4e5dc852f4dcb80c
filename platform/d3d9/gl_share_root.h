#pragma once
// The process-wide OpenGL root: a hidden window with a 3.3 core context, made once, kept
// for the whole run. Every device context shares objects with it, so programs and textures
// made on one device survive the device being released and created again (the framework
// re-creates devices on mode changes). It is also where the adapter's answers come from:
// what GL really offers is measured here once.

#include "platform/d3d9/d3d9_types.h"
#include "platform/d3d9/gl_headers.h"

#include <set>
#include <string>

struct GlCapabilities {
    std::string vendor;
    std::string renderer;
    std::string version;
    int maxTextureSize = 0;
    bool s3tc = false;
    bool clipControl = false;
    // Swap intervals the window system accepted (D3DPRESENT_INTERVAL_* bits).
    DWORD presentationIntervals = 0;
    // Colour and depth formats a framebuffer can be made of.
    std::set<D3DFORMAT> renderTargetFormats;
    std::set<D3DFORMAT> depthStencilFormats;
};

namespace GlShareRoot {

// Brings SDL video and the root context up on first call; null when no 3.3 core context
// can be made.
const GlCapabilities* Capabilities();

// Sets the attributes of a 3.3 core context sharing with the root and creates it on
// `window`; the root must exist. The new context is current on return.
SDL_GLContext CreateSharedContext(SDL_Window* window);

// Makes the root context current (for deleting shared objects when no device is left).
void MakeRootCurrent();

} // namespace GlShareRoot

// The renderbuffer format behind a Direct3D back-buffer or depth format; 0 when none.
GLenum ColourTargetFormat(D3DFORMAT format);
GLenum DepthTargetFormat(D3DFORMAT format);

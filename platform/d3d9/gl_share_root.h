#pragma once
// The process-wide OpenGL roots: one hidden context per share group, made once and kept for
// the whole run. Every device context shares objects with the root of its group, so programs
// and textures made on one device survive the device being released and created again (the
// framework re-creates devices on mode changes). It is also where the adapter's answers come
// from: what each group's GL really offers is measured on its root once.
//
// Two groups, because the two device types are two different GLs:
//   System   - whatever GL the window system gives (through SDL): the hardware device, HAL.
//   Software - Mesa's software rasteriser, picked out by EGL device enumeration (the device
//              with EGL_MESA_device_software), so it is software even where the system GL is
//              a GPU: the reference device, REF. Its contexts have no window surface; the
//              device renders into its own framebuffer and presents through a System context.
// Objects cannot be shared between the groups: a resource keeps one GL object per group it has
// been used in, made from its memory copy (see texture_storage.h, gl_buffer.h).
//
// All context switches go through here, so the current group is always known.

#include "platform/d3d9/d3d9_types.h"
#include "platform/d3d9/gl_headers.h"

#include <functional>
#include <set>
#include <string>

enum class GlShareGroup { System = 0, Software = 1 };
constexpr int glShareGroupCount = 2;

inline int GroupIndex(GlShareGroup group) {
    return static_cast<int>(group);
}

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

// A context of either group: an SDL context on `window` (System), or a surfaceless EGL
// context on the software device (Software).
struct GlContext {
    GlShareGroup group = GlShareGroup::System;
    SDL_Window* window = nullptr;
    void* handle = nullptr;
};

namespace GlShareRoot {

// Brings the group's root up on first call (SDL video too, for System); null when no 3.3
// core context of that group can be made.
const GlCapabilities* Capabilities(GlShareGroup group = GlShareGroup::System);

// Creates a 3.3 core context sharing with the group's root, on `window` for System (ignored
// for Software). The root must exist. The new context is current on return.
bool CreateSharedContext(GlShareGroup group, SDL_Window* window, GlContext* context);

// Destroys a context made by CreateSharedContext; the group's root is current afterwards.
void DestroyContext(GlContext* context);

void MakeCurrent(const GlContext& context);

// The group whose objects are worked on when no device context is current: the group of the
// device made last.
void SetActiveGroup(GlShareGroup group);

// Makes the root of the active group current (for deleting shared objects when no device is
// left), or of the given group.
void MakeRootCurrent();
void MakeRootCurrent(GlShareGroup group);

// The group of the context current now.
GlShareGroup CurrentGroup();

// Runs `work` with the root of `group` current and then makes the context that was current
// before current again (deleting a resource's objects in the other group).
void WithRootCurrent(GlShareGroup group, const std::function<void()>& work);

// Runs `work` where the group's objects can be touched: at once when that group's context is
// current, else through WithRootCurrent.
void InGroup(GlShareGroup group, const std::function<void()>& work);

} // namespace GlShareRoot

// The renderbuffer format behind a Direct3D back-buffer or depth format; 0 when none.
GLenum ColourTargetFormat(D3DFORMAT format);
GLenum DepthTargetFormat(D3DFORMAT format);

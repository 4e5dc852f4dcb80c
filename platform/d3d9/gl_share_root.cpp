#include "platform/d3d9/gl_share_root.h"

#include "platform/d3d9/software_gl_display.h"

namespace {

struct FormatProbe {
    D3DFORMAT format;
    GLenum internalFormat;
};

constexpr FormatProbe colourProbes[] = {
    {D3DFMT_A8R8G8B8, GL_RGBA8},       {D3DFMT_X8R8G8B8, GL_RGBA8},   {D3DFMT_R5G6B5, GL_RGB565},
    {D3DFMT_X1R5G5B5, GL_RGB5_A1},     {D3DFMT_A1R5G5B5, GL_RGB5_A1}, {D3DFMT_A2R10G10B10, GL_RGB10_A2},
    {D3DFMT_A2B10G10R10, GL_RGB10_A2}, {D3DFMT_A8B8G8R8, GL_RGBA8},   {D3DFMT_X8B8G8R8, GL_RGBA8},
    {D3DFMT_A16B16G16R16, kGlRgba16},  {D3DFMT_X4R4G4B4, GL_RGBA4},   {D3DFMT_A4R4G4B4, GL_RGBA4},
};

constexpr FormatProbe depthProbes[] = {
    {D3DFMT_D16, GL_DEPTH_COMPONENT16},
    {D3DFMT_D24X8, GL_DEPTH_COMPONENT24},
    {D3DFMT_D24S8, GL_DEPTH24_STENCIL8},
    {D3DFMT_D32, kGlDepthComponent32},
    {D3DFMT_D32F_LOCKABLE, GL_DEPTH_COMPONENT32F},
};

struct Root {
    bool tried = false;
    bool ok = false;
    GlContext context;
    SDL_Window* window = nullptr; // System: the hidden window the root context is made on
    GlCapabilities caps;
};

struct Roots {
    Root roots[glShareGroupCount];
    EGLDisplay softwareDisplay = EGL_NO_DISPLAY;
    GlContext current;
    bool anyCurrent = false;
    GlShareGroup active = GlShareGroup::System;
};

Roots& TheRoots() {
    static Roots roots;
    return roots;
}

Root& RootOf(GlShareGroup group) {
    return TheRoots().roots[GroupIndex(group)];
}

void SetContextAttributes(bool share) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, share ? 1 : 0);
}

bool Renderable(GLenum internalFormat, GLenum attachment) {
    if (internalFormat == 0) {
        return false;
    }
    GLuint fbo = 0;
    GLuint rb = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &rb);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glBindRenderbuffer(GL_RENDERBUFFER, rb);
    glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, 16, 16);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, rb);
    if (attachment != GL_COLOR_ATTACHMENT0) {
        const GLenum none = GL_NONE;
        glDrawBuffers(1, &none);
        glReadBuffer(GL_NONE);
    }
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &rb);
    glDeleteFramebuffers(1, &fbo);
    while (glGetError() != GL_NO_ERROR) {
    }
    return complete;
}

void Measure(GlCapabilities& caps, bool swapIntervals) {
    const auto text = [](GLenum name) {
        const auto* s = reinterpret_cast<const char*>(glGetString(name));
        return std::string(s != nullptr ? s : "");
    };
    caps.vendor = text(GL_VENDOR);
    caps.renderer = text(GL_RENDERER);
    caps.version = text(GL_VERSION);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &caps.maxTextureSize);
    caps.s3tc = GlHasExtension(kGlEs ? "WEBGL_compressed_texture_s3tc" : "GL_EXT_texture_compression_s3tc");
    caps.clipControl = !kGlEs && (GlVersion() >= 45 || GlHasExtension("GL_ARB_clip_control"));
    for (const FormatProbe& probe : colourProbes) {
        if (Renderable(probe.internalFormat, GL_COLOR_ATTACHMENT0)) {
            caps.renderTargetFormats.insert(probe.format);
        }
    }
    for (const FormatProbe& probe : depthProbes) {
        const GLenum attachment =
            probe.format == D3DFMT_D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        if (Renderable(probe.internalFormat, attachment)) {
            caps.depthStencilFormats.insert(probe.format);
        }
    }
    // The swap interval is a property of the window system; ask it rather than assume.
    caps.presentationIntervals = 0;
    if (swapIntervals && SDL_GL_SetSwapInterval(0) == 0) {
        caps.presentationIntervals |= D3DPRESENT_INTERVAL_IMMEDIATE;
    }
    if (swapIntervals && SDL_GL_SetSwapInterval(1) == 0) {
        caps.presentationIntervals |= D3DPRESENT_INTERVAL_ONE;
    }
    if (caps.presentationIntervals == 0) {
        // Presenting never waits when the interval cannot be set at all.
        caps.presentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE;
    }
}

// Lets go of the current context of the other kind: GLX and EGL contexts (and SDL's and our
// own EGL displays) cannot be current at once, and SDL keeps its own note of what is current.
void ReleaseCurrent(const Roots& roots) {
    if (!roots.anyCurrent) {
        return;
    }
    if (roots.current.group == GlShareGroup::System) {
        SDL_GL_MakeCurrent(roots.current.window, nullptr);
    } else {
        eglMakeCurrent(roots.softwareDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
}

bool BringUpSystemRoot(Root& root) {
    // Held for the whole run: the root window must outlive every device.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    root.window = SDL_CreateWindow("gl-root", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (root.window == nullptr) {
        return false;
    }
    ReleaseCurrent(TheRoots());
    TheRoots().anyCurrent = false;
    SetContextAttributes(false);
    SDL_GLContext context = SDL_GL_CreateContext(root.window);
    if (context == nullptr) {
        SDL_DestroyWindow(root.window);
        root.window = nullptr;
        return false;
    }
    root.context = GlContext{GlShareGroup::System, root.window, context};
    GlShareRoot::MakeCurrent(root.context);
    if (GlVersion() < (kGlEs ? 30 : 33)) {
        TheRoots().anyCurrent = false;
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(root.window);
        root.window = nullptr;
        return false;
    }
    Measure(root.caps, true);
    return true;
}

bool BringUpSoftwareRoot(Root& root) {
    Roots& roots = TheRoots();
    roots.softwareDisplay = OpenSoftwareDisplay();
    if (roots.softwareDisplay == EGL_NO_DISPLAY) {
        return false;
    }
    EGLContext context = CreateSoftwareContext(roots.softwareDisplay, EGL_NO_CONTEXT);
    if (context == EGL_NO_CONTEXT) {
        return false;
    }
    root.context = GlContext{GlShareGroup::Software, nullptr, context};
    GlShareRoot::MakeCurrent(root.context);
    if (GlVersion() < (kGlEs ? 30 : 33)) {
        ReleaseCurrent(roots);
        roots.anyCurrent = false;
        eglDestroyContext(roots.softwareDisplay, context);
        return false;
    }
    // It presents through the window system, whose swap intervals are the system root's.
    Measure(root.caps, false);
    const Root& system = RootOf(GlShareGroup::System);
    root.caps.presentationIntervals =
        system.ok ? system.caps.presentationIntervals : D3DPRESENT_INTERVAL_IMMEDIATE;
    return true;
}

} // namespace

namespace GlShareRoot {

const GlCapabilities* Capabilities(GlShareGroup group) {
    Root& root = RootOf(group);
    if (root.tried) {
        return root.ok ? &root.caps : nullptr;
    }
    root.tried = true;
    if (group == GlShareGroup::Software) {
        // Measured after the system root, whose window system it presents through.
        Capabilities(GlShareGroup::System);
    }
    const bool anyBefore = TheRoots().anyCurrent;
    const GlContext before = TheRoots().current;
    root.ok = group == GlShareGroup::System ? BringUpSystemRoot(root) : BringUpSoftwareRoot(root);
    if (anyBefore) {
        MakeCurrent(before);
    }
    return root.ok ? &root.caps : nullptr;
}

bool CreateSharedContext(GlShareGroup group, SDL_Window* window, GlContext* context) {
    Root& root = RootOf(group);
    if (!root.ok || context == nullptr) {
        return false;
    }
    if (group == GlShareGroup::Software) {
        EGLContext made = CreateSoftwareContext(TheRoots().softwareDisplay, root.context.handle);
        if (made == EGL_NO_CONTEXT) {
            return false;
        }
        *context = GlContext{GlShareGroup::Software, nullptr, made};
        MakeCurrent(*context);
        return true;
    }
    if (window == nullptr) {
        return false;
    }
    MakeCurrent(root.context);
    SetContextAttributes(true);
    SDL_GLContext made = SDL_GL_CreateContext(window);
    SetContextAttributes(false);
    if (made == nullptr) {
        return false;
    }
    // SDL made the new context current behind our back; say so.
    TheRoots().current = GlContext{GlShareGroup::System, window, made};
    TheRoots().anyCurrent = true;
    *context = TheRoots().current;
    return true;
}

void DestroyContext(GlContext* context) {
    if (context == nullptr || context->handle == nullptr) {
        return;
    }
    MakeRootCurrent(context->group);
    if (context->group == GlShareGroup::Software) {
        eglDestroyContext(TheRoots().softwareDisplay, context->handle);
    } else {
        SDL_GL_DeleteContext(context->handle);
        // Deleting a context may leave SDL with none current; the root goes back on.
        TheRoots().anyCurrent = false;
        MakeRootCurrent(context->group);
    }
    context->handle = nullptr;
}

void MakeCurrent(const GlContext& context) {
    Roots& roots = TheRoots();
    // Asked of the GL itself: SDL lets go of a context when its window is destroyed.
    const bool already =
        context.group == GlShareGroup::System
            ? SDL_GL_GetCurrentContext() == context.handle && SDL_GL_GetCurrentWindow() == context.window
            : eglGetCurrentContext() == context.handle;
    if (roots.anyCurrent && already && roots.current.handle == context.handle) {
        return;
    }
    if (roots.anyCurrent && roots.current.group != context.group) {
        ReleaseCurrent(roots);
    }
    if (context.group == GlShareGroup::System) {
        SDL_GL_MakeCurrent(context.window, context.handle);
    } else {
        eglMakeCurrent(roots.softwareDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, context.handle);
    }
    roots.current = context;
    roots.anyCurrent = true;
}

void SetActiveGroup(GlShareGroup group) {
    TheRoots().active = group;
}

void MakeRootCurrent() {
    MakeRootCurrent(TheRoots().active);
}

void MakeRootCurrent(GlShareGroup group) {
    const Root& root = RootOf(group);
    if (root.ok) {
        MakeCurrent(root.context);
    }
}

GlShareGroup CurrentGroup() {
    const Roots& roots = TheRoots();
    return roots.anyCurrent ? roots.current.group : roots.active;
}

void InGroup(GlShareGroup group, const std::function<void()>& work) {
    if (group == CurrentGroup()) {
        work();
    } else {
        WithRootCurrent(group, work);
    }
}

void WithRootCurrent(GlShareGroup group, const std::function<void()>& work) {
    Roots& roots = TheRoots();
    if (!RootOf(group).ok) {
        return;
    }
    const bool anyBefore = roots.anyCurrent;
    const GlContext before = roots.current;
    MakeRootCurrent(group);
    work();
    if (anyBefore) {
        MakeCurrent(before);
    }
}

} // namespace GlShareRoot

GLenum ColourTargetFormat(D3DFORMAT format) {
    for (const FormatProbe& probe : colourProbes) {
        if (probe.format == format) {
            return probe.internalFormat;
        }
    }
    return 0;
}

GLenum DepthTargetFormat(D3DFORMAT format) {
    for (const FormatProbe& probe : depthProbes) {
        if (probe.format == format) {
            return probe.internalFormat;
        }
    }
    return 0;
}

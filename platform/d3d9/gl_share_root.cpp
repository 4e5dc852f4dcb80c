#include "platform/d3d9/gl_share_root.h"

namespace {

struct FormatProbe {
    D3DFORMAT format;
    GLenum internalFormat;
};

constexpr FormatProbe colourProbes[] = {
    {D3DFMT_A8R8G8B8, GL_RGBA8},       {D3DFMT_X8R8G8B8, GL_RGBA8},   {D3DFMT_R5G6B5, GL_RGB565},
    {D3DFMT_X1R5G5B5, GL_RGB5_A1},     {D3DFMT_A1R5G5B5, GL_RGB5_A1}, {D3DFMT_A2R10G10B10, GL_RGB10_A2},
    {D3DFMT_A2B10G10R10, GL_RGB10_A2}, {D3DFMT_A8B8G8R8, GL_RGBA8},   {D3DFMT_X8B8G8R8, GL_RGBA8},
    {D3DFMT_A16B16G16R16, GL_RGBA16},  {D3DFMT_X4R4G4B4, GL_RGBA4},   {D3DFMT_A4R4G4B4, GL_RGBA4},
};

constexpr FormatProbe depthProbes[] = {
    {D3DFMT_D16, GL_DEPTH_COMPONENT16},
    {D3DFMT_D24X8, GL_DEPTH_COMPONENT24},
    {D3DFMT_D24S8, GL_DEPTH24_STENCIL8},
    {D3DFMT_D32, GL_DEPTH_COMPONENT32},
    {D3DFMT_D32F_LOCKABLE, GL_DEPTH_COMPONENT32F},
};

struct Root {
    bool tried = false;
    bool ok = false;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GlCapabilities caps;
};

Root& TheRoot() {
    static Root root;
    return root;
}

void SetContextAttributes(bool share) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, share ? 1 : 0);
}

bool Renderable(GLenum internalFormat, GLenum attachment) {
    GLuint fbo = 0;
    GLuint rb = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &rb);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glBindRenderbuffer(GL_RENDERBUFFER, rb);
    glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, 16, 16);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, rb);
    if (attachment != GL_COLOR_ATTACHMENT0) {
        glDrawBuffer(GL_NONE);
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

void Measure(GlCapabilities& caps) {
    const auto text = [](GLenum name) {
        const auto* s = reinterpret_cast<const char*>(glGetString(name));
        return std::string(s != nullptr ? s : "");
    };
    caps.vendor = text(GL_VENDOR);
    caps.renderer = text(GL_RENDERER);
    caps.version = text(GL_VERSION);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &caps.maxTextureSize);
    caps.s3tc = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    caps.clipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
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
    if (SDL_GL_SetSwapInterval(0) == 0) {
        caps.presentationIntervals |= D3DPRESENT_INTERVAL_IMMEDIATE;
    }
    if (SDL_GL_SetSwapInterval(1) == 0) {
        caps.presentationIntervals |= D3DPRESENT_INTERVAL_ONE;
    }
    if (caps.presentationIntervals == 0) {
        // Presenting never waits when the interval cannot be set at all.
        caps.presentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE;
    }
}

} // namespace

namespace GlShareRoot {

const GlCapabilities* Capabilities() {
    Root& root = TheRoot();
    if (root.tried) {
        return root.ok ? &root.caps : nullptr;
    }
    root.tried = true;
    // Held for the whole run: the root window must outlive every device.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return nullptr;
    }
    root.window = SDL_CreateWindow("gl-root", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (root.window == nullptr) {
        return nullptr;
    }
    SetContextAttributes(false);
    root.context = SDL_GL_CreateContext(root.window);
    if (root.context == nullptr) {
        SDL_DestroyWindow(root.window);
        root.window = nullptr;
        return nullptr;
    }
    SDL_GL_MakeCurrent(root.window, root.context);
    if (epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(root.context);
        SDL_DestroyWindow(root.window);
        root.context = nullptr;
        root.window = nullptr;
        return nullptr;
    }
    Measure(root.caps);
    root.ok = true;
    return &root.caps;
}

SDL_GLContext CreateSharedContext(SDL_Window* window) {
    Root& root = TheRoot();
    if (!root.ok || window == nullptr) {
        return nullptr;
    }
    SDL_GL_MakeCurrent(root.window, root.context);
    SetContextAttributes(true);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    SetContextAttributes(false);
    if (context != nullptr) {
        SDL_GL_MakeCurrent(window, context);
    }
    return context;
}

void MakeRootCurrent() {
    Root& root = TheRoot();
    if (root.ok) {
        SDL_GL_MakeCurrent(root.window, root.context);
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

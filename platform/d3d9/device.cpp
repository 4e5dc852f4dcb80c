// The OpenGL device's life: creation, targets, reset, present, cursor and resources.
#include "platform/d3d9/gl_device.h"

#include "platform/d3d9/cube_texture.h"
#include "platform/d3d9/device_caps.h"
#include "platform/d3d9/format_info.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/d3d9/index_buffer.h"
#include "platform/d3d9/memory_surface.h"
#include "platform/d3d9/surface.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/vertex_buffer.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/platform_window.h"

#include <cstring>

namespace {

bool HasAlpha(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A2R10G10B10 ||
           format == D3DFMT_A2B10G10R10 || format == D3DFMT_A8B8G8R8 || format == D3DFMT_A16B16G16R16 ||
           format == D3DFMT_A4R4G4B4;
}

} // namespace

void MakeDeviceCurrent(IDirect3DDevice9* device) {
    if (device != nullptr) {
        static_cast<GlDevice*>(device)->MakeCurrent();
    } else {
        // The device is gone; its resources' GL objects belong to the shared root.
        GlShareRoot::MakeRootCurrent();
    }
}

HRESULT GlDevice::Create(IDirect3D9* direct3D, UINT adapter, D3DDEVTYPE deviceType, HWND window,
                         DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
    if (device == nullptr || parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *device = nullptr;
    if (deviceType != D3DDEVTYPE_HAL && deviceType != D3DDEVTYPE_REF) {
        return D3DERR_NOTAVAILABLE;
    }
    const GlShareGroup group = deviceType == D3DDEVTYPE_REF ? GlShareGroup::Software : GlShareGroup::System;
    const GlCapabilities* caps = GlShareRoot::Capabilities(group);
    if (caps == nullptr) {
        return D3DERR_NOTAVAILABLE;
    }
    GlDevice* d = new GlDevice();
    d->caps_ = caps;
    d->deviceType_ = deviceType;
    d->adapter_ = adapter;
    d->behaviorFlags_ = behaviorFlags;
    d->focusWindow_ = window;
    HWND deviceWindow = parameters->hDeviceWindow != nullptr ? parameters->hDeviceWindow : window;
    if (deviceWindow != nullptr && deviceWindow->sdlWindow != nullptr) {
        d->window_ = deviceWindow->sdlWindow;
    } else {
        // No window to draw in: render offscreen into a hidden window of our own.
        d->window_ = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        d->ownWindow_ = true;
    }
    if (d->window_ == nullptr) {
        delete d;
        return D3DERR_NOTAVAILABLE;
    }
    d->windowId_ = SDL_GetWindowID(d->window_);
    if (!GlShareRoot::CreateSharedContext(group, d->window_, &d->context_)) {
        delete d;
        return D3DERR_NOTAVAILABLE;
    }
    // Resources whose device is gone work on this device's group from now on.
    GlShareRoot::SetActiveGroup(group);
    D3DPRESENT_PARAMETERS complete = *parameters;
    if (!d->CompleteParameters(&complete)) {
        delete d;
        return D3DERR_INVALIDCALL;
    }
    d->parameters_ = complete;
    if (direct3D != nullptr) {
        d->direct3D_ = direct3D;
        direct3D->AddRef();
    }
    d->clipControl_ = caps->clipControl;
    glGetIntegerv(GL_SUBPIXEL_BITS, &d->subpixelBits_);
    if (d->clipControl_) {
        GlClipControlZeroToOne();
    }
    glGenVertexArrays(1, &d->vertexArray_);
    glBindVertexArray(d->vertexArray_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!d->CreateTargets()) {
        delete d;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    d->ApplyWindowMode();
    d->state_.SetDefaults(complete.BackBufferWidth, complete.BackBufferHeight,
                          complete.EnableAutoDepthStencil != FALSE);
    *parameters = complete;
    *device = d;
    return D3D_OK;
}

GlDevice::~GlDevice() {
    presenter_.Release(WindowAlive());
    if (context_.handle != nullptr) {
        // A device may outlive the window it was made on (the framework closes its window
        // before releasing the device). Then a system context cannot be made current again:
        // the shared objects (renderbuffers, programs, resources' textures and buffers) are
        // deleted on the root context, and the context's own containers (framebuffer,
        // vertex array) go with the context itself.
        const bool usable = ContextUsable();
        MakeCurrent();
        state_.SetDefaults(0, 0, false); // drops bound resources
        shaders_.Release();
        frameReadback_.Release();
        if (usable) {
            DestroyTargets();
            if (vertexArray_ != 0) {
                glDeleteVertexArrays(1, &vertexArray_);
            }
        } else {
            framebuffer_ = 0;
            DestroyTargets();
        }
        GlShareRoot::DestroyContext(&context_);
    }
    if (cursor_ != nullptr) {
        SDL_FreeCursor(cursor_);
    }
    if (ownWindow_ && window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    if (direct3D_ != nullptr) {
        direct3D_->Release();
    }
}

bool GlDevice::WindowAlive() const {
    return window_ != nullptr && (ownWindow_ || SDL_GetWindowFromID(windowId_) == window_);
}

bool GlDevice::ContextUsable() const {
    return context_.group == GlShareGroup::Software || WindowAlive();
}

void GlDevice::MakeCurrent() {
    if (!ContextUsable()) {
        // Nothing can be drawn any more; shared objects can still be made and deleted.
        GlShareRoot::MakeRootCurrent(context_.group);
    } else {
        GlShareRoot::MakeCurrent(context_);
    }
}

bool GlDevice::CompleteParameters(D3DPRESENT_PARAMETERS* p) const {
    if (p->Windowed != FALSE && (p->BackBufferWidth == 0 || p->BackBufferHeight == 0)) {
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        if (p->BackBufferWidth == 0) {
            p->BackBufferWidth = static_cast<UINT>(w > 0 ? w : 1);
        }
        if (p->BackBufferHeight == 0) {
            p->BackBufferHeight = static_cast<UINT>(h > 0 ? h : 1);
        }
    }
    if (p->BackBufferFormat == D3DFMT_UNKNOWN && p->Windowed != FALSE) {
        p->BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (p->BackBufferCount == 0) {
        p->BackBufferCount = 1;
    }
    const auto max = static_cast<UINT>(caps_->maxTextureSize);
    if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0 || p->BackBufferWidth > max ||
        p->BackBufferHeight > max) {
        return false;
    }
    if (caps_->renderTargetFormats.count(p->BackBufferFormat) == 0) {
        return false;
    }
    if (p->EnableAutoDepthStencil != FALSE &&
        caps_->depthStencilFormats.count(p->AutoDepthStencilFormat) == 0) {
        return false;
    }
    if (p->MultiSampleType != D3DMULTISAMPLE_NONE) {
        return false;
    }
    return true;
}

bool GlDevice::CreateTargets() {
    MakeCurrent();
    DestroyTargets();
    const auto w = static_cast<GLsizei>(parameters_.BackBufferWidth);
    const auto h = static_cast<GLsizei>(parameters_.BackBufferHeight);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &colourBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, ColourTargetFormat(parameters_.BackBufferFormat), w, h);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer_);
    if (parameters_.EnableAutoDepthStencil != FALSE) {
        glGenRenderbuffers(1, &depthBuffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, DepthTargetFormat(parameters_.AutoDepthStencilFormat), w, h);
        const GLenum attachment = parameters_.AutoDepthStencilFormat == D3DFMT_D24S8
                                      ? GL_DEPTH_STENCIL_ATTACHMENT
                                      : GL_DEPTH_ATTACHMENT;
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, depthBuffer_);
    }
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        // A new back buffer starts black with the far depth, as a fresh Direct3D one reads.
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        GlClearDepth(1.0f);
        glClear(GL_COLOR_BUFFER_BIT | (depthBuffer_ != 0 ? GL_DEPTH_BUFFER_BIT : 0));
    }
    return complete;
}

void GlDevice::DestroyTargets() {
    if (framebuffer_ != 0) {
        glDeleteFramebuffers(1, &framebuffer_);
        framebuffer_ = 0;
    }
    if (colourBuffer_ != 0) {
        glDeleteRenderbuffers(1, &colourBuffer_);
        colourBuffer_ = 0;
    }
    if (depthBuffer_ != 0) {
        glDeleteRenderbuffers(1, &depthBuffer_);
        depthBuffer_ = 0;
    }
}

void GlDevice::ApplyWindowMode() {
    const bool immediate = parameters_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE;
    if (context_.group == GlShareGroup::Software) {
        if (!ownWindow_ && WindowAlive()) {
            presenter_.SetSwapInterval(window_, immediate ? 0 : 1);
        }
        MakeCurrent();
    } else {
        MakeCurrent();
        SDL_GL_SetSwapInterval(immediate ? 0 : 1);
    }
    if (ownWindow_ || !WindowAlive()) {
        return;
    }
    const bool fullScreen = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) == SDL_WINDOW_FULLSCREEN;
    if (parameters_.Windowed == FALSE) {
        // Full screen takes the display mode nearest the back buffer, as a mode change would.
        SDL_DisplayMode wanted{};
        wanted.w = static_cast<int>(parameters_.BackBufferWidth);
        wanted.h = static_cast<int>(parameters_.BackBufferHeight);
        wanted.refresh_rate = static_cast<int>(parameters_.FullScreen_RefreshRateInHz);
        SDL_DisplayMode closest{};
        const int display = SDL_GetWindowDisplayIndex(window_);
        if (SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &closest) != nullptr) {
            SDL_SetWindowDisplayMode(window_, &closest);
        }
        if (!fullScreen) {
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);
        }
    } else if (fullScreen) {
        SDL_SetWindowFullscreen(window_, 0);
    }
}

bool GlDevice::WindowMinimised() const {
    return WindowAlive() && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
}

HRESULT GlDevice::TestCooperativeLevel() {
    if (parameters_.Windowed == FALSE && WindowMinimised()) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    return lost_ ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT GlDevice::GetDirect3D(IDirect3D9** direct3D) {
    if (direct3D == nullptr || direct3D_ == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    direct3D_->AddRef();
    *direct3D = direct3D_;
    return D3D_OK;
}

HRESULT GlDevice::GetDeviceCaps(D3DCAPS9* caps) {
    if (caps == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *caps = MakeDeviceCaps(adapter_, deviceType_, caps_->presentationIntervals,
                           static_cast<DWORD>(caps_->maxTextureSize));
    return D3D_OK;
}

HRESULT GlDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    if (parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *parameters = {adapter_, deviceType_, focusWindow_, behaviorFlags_};
    return D3D_OK;
}

HRESULT GlDevice::SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface9* cursorBitmap) {
    if (cursorBitmap == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc{};
    if (FAILED(cursorBitmap->GetDesc(&desc)) || desc.Format != D3DFMT_A8R8G8B8 || hotSpotX >= desc.Width ||
        hotSpotY >= desc.Height) {
        return D3DERR_INVALIDCALL;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(cursorBitmap->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        return D3DERR_INVALIDCALL;
    }
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(
        0, static_cast<int>(desc.Width), static_cast<int>(desc.Height), 32, SDL_PIXELFORMAT_ARGB8888);
    if (image != nullptr) {
        for (UINT y = 0; y < desc.Height; ++y) {
            std::memcpy(static_cast<BYTE*>(image->pixels) + y * static_cast<UINT>(image->pitch),
                        static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch),
                        desc.Width * 4);
        }
    }
    cursorBitmap->UnlockRect();
    if (image == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    SDL_Cursor* cursor = SDL_CreateColorCursor(image, static_cast<int>(hotSpotX), static_cast<int>(hotSpotY));
    SDL_FreeSurface(image);
    if (cursor == nullptr) {
        // Without a pointer device (offscreen) there is no cursor to shape; not a failure.
        return D3D_OK;
    }
    if (cursor_ != nullptr) {
        SDL_FreeCursor(cursor_);
    }
    cursor_ = cursor;
    if (cursorShown_) {
        SDL_SetCursor(cursor_);
    }
    return D3D_OK;
}

// The system pointer already follows the mouse; moving it here would fight the user.
void GlDevice::SetCursorPosition(int, int, DWORD) {}

BOOL GlDevice::ShowCursor(BOOL show) {
    const BOOL previous = cursorShown_ ? TRUE : FALSE;
    cursorShown_ = show != FALSE;
    if (cursorShown_ && cursor_ != nullptr) {
        SDL_SetCursor(cursor_);
    }
    return previous;
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    if (presentationParameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (presentationParameters->Windowed == FALSE && WindowMinimised()) {
        return D3DERR_DEVICELOST;
    }
    D3DPRESENT_PARAMETERS complete = *presentationParameters;
    if (!CompleteParameters(&complete)) {
        lost_ = true;
        return D3DERR_INVALIDCALL;
    }
    MakeCurrent();
    // Frames on their way out are the old back buffer's: hand them over first.
    const FrameSink& sink = CurrentFrameSink();
    if (sink) {
        frameReadback_.Deliver(true, sink.take);
    }
    const D3DPRESENT_PARAMETERS previous = parameters_;
    parameters_ = complete;
    if (!CreateTargets()) {
        parameters_ = previous;
        CreateTargets();
        lost_ = true;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    ApplyWindowMode();
    state_.SetDefaults(complete.BackBufferWidth, complete.BackBufferHeight,
                       complete.EnableAutoDepthStencil != FALSE);
    externalProgram_ = 0;
    inScene_ = false;
    lost_ = false;
    *presentationParameters = complete;
    return D3D_OK;
}

void GlDevice::ReadFramebuffer() {
    MakeCurrent();
    const int w = static_cast<int>(parameters_.BackBufferWidth);
    const int h = static_cast<int>(parameters_.BackBufferHeight);
    readback_.resize(static_cast<size_t>(w) * 4 * static_cast<size_t>(h));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, readback_.data());
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

bool GlDevice::ReadBackBuffer(std::vector<unsigned char>* rgba, int* width, int* height) {
    if (rgba == nullptr || framebuffer_ == 0) {
        return false;
    }
    ReadFramebuffer();
    const int w = static_cast<int>(parameters_.BackBufferWidth);
    const int h = static_cast<int>(parameters_.BackBufferHeight);
    const size_t row = static_cast<size_t>(w) * 4;
    rgba->resize(readback_.size());
    const bool opaque = !HasAlpha(parameters_.BackBufferFormat);
    for (int y = 0; y < h; ++y) {
        unsigned char* dst = rgba->data() + static_cast<size_t>(y) * row;
        std::memcpy(dst, readback_.data() + static_cast<size_t>(h - 1 - y) * row, row);
        if (opaque) {
            for (int x = 0; x < w; ++x) {
                dst[x * 4 + 3] = 255;
            }
        }
    }
    *width = w;
    *height = h;
    return true;
}

HRESULT GlDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND window,
                          const void* dirtyRegion) {
    // The framework presents on its own device, not through the tracing device the scenes
    // draw with, so the present of a traced frame is recorded here.
    if (CallTrace::Enabled()) {
        CallTrace::Record("IDirect3DDevice9",
                          CallTrace::Formatter().Present(sourceRect, destRect, window, dirtyRegion));
    }
    if (lost_) {
        return D3DERR_DEVICELOST;
    }
    if (parameters_.Windowed == FALSE && WindowMinimised()) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    MakeCurrent();
    const FrameSink& sink = CurrentFrameSink();
    if (sink) {
        long long tag = 0;
        const FrameRequest request = sink.request(&tag);
        if (request != FrameRequest::Skip) {
            frameReadback_.Queue(framebuffer_, static_cast<int>(parameters_.BackBufferWidth),
                                 static_cast<int>(parameters_.BackBufferHeight), tag);
        }
        frameReadback_.Deliver(request != FrameRequest::Keep, sink.take);
    }
    if (!ownWindow_ && WindowAlive() && (!sink || FrameSinkShowsWindow())) {
        ShowInWindow();
    }
    return D3D_OK;
}

void GlDevice::ShowInWindow() {
    if (context_.group == GlShareGroup::Software) {
        // The software context has no window surface: its pixels travel through a system
        // context on the window.
        ReadFramebuffer();
        presenter_.Show(window_, readback_.data(), static_cast<int>(parameters_.BackBufferWidth),
                        static_cast<int>(parameters_.BackBufferHeight));
        MakeCurrent();
        return;
    }
    {
        int drawableWidth = 0;
        int drawableHeight = 0;
        SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        const auto w = static_cast<GLint>(parameters_.BackBufferWidth);
        const auto h = static_cast<GLint>(parameters_.BackBufferHeight);
        glBlitFramebuffer(0, 0, w, h, 0, 0, drawableWidth, drawableHeight, GL_COLOR_BUFFER_BIT,
                          w == drawableWidth && h == drawableHeight ? GL_NEAREST : GL_LINEAR);
        SDL_GL_SwapWindow(window_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    }
}

HRESULT GlDevice::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE,
                                IDirect3DSurface9** surface) {
    if (surface == nullptr || swapChain != 0 || backBuffer >= parameters_.BackBufferCount) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc{};
    desc.Format = parameters_.BackBufferFormat;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = D3DUSAGE_RENDERTARGET;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.Width = parameters_.BackBufferWidth;
    desc.Height = parameters_.BackBufferHeight;
    *surface = new BackBufferSurface(this, desc);
    return D3D_OK;
}

HRESULT GlDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** texture, HANDLE*) {
    if (texture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    const GlTextureFormat* glFormat = FindGlTextureFormat(format, caps_->s3tc);
    const auto max = static_cast<UINT>(caps_->maxTextureSize);
    if (glFormat == nullptr || width == 0 || height == 0 || width > max || height > max ||
        (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0) {
        return D3DERR_INVALIDCALL;
    }
    *texture = new GlTexture(this, width, height, levels, usage, glFormat, pool);
    return D3D_OK;
}

HRESULT GlDevice::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DCubeTexture9** cubeTexture, HANDLE*) {
    if (cubeTexture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *cubeTexture = nullptr;
    const GlTextureFormat* glFormat = FindGlTextureFormat(format, caps_->s3tc);
    if (glFormat == nullptr || edgeLength == 0 || edgeLength > static_cast<UINT>(caps_->maxTextureSize) ||
        (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0) {
        return D3DERR_INVALIDCALL;
    }
    *cubeTexture = new GlCubeTexture(this, edgeLength, levels, usage, glFormat, pool);
    return D3D_OK;
}

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** vertexBuffer, HANDLE*) {
    if (vertexBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *vertexBuffer = nullptr;
    if (length == 0) {
        return D3DERR_INVALIDCALL;
    }
    *vertexBuffer =
        new GlVertexBuffer(this, {D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf});
    return D3D_OK;
}

HRESULT GlDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** indexBuffer, HANDLE*) {
    if (indexBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *indexBuffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    *indexBuffer = new GlIndexBuffer(this, {format, D3DRTYPE_INDEXBUFFER, usage, pool, length});
    return D3D_OK;
}

HRESULT GlDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DSurface9** surface, HANDLE*) {
    if (surface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *surface = nullptr;
    if (width == 0 || height == 0 || FormatInfo::BytesPerElement(format) == 0 ||
        width > static_cast<UINT>(caps_->maxTextureSize) ||
        height > static_cast<UINT>(caps_->maxTextureSize)) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc{};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Pool = pool;
    desc.Width = width;
    desc.Height = height;
    *surface = new MemorySurface(this, nullptr, desc);
    return D3D_OK;
}

HRESULT GlDevice::BeginScene() {
    if (inScene_) {
        return D3DERR_INVALIDCALL;
    }
    inScene_ = true;
    return D3D_OK;
}

HRESULT GlDevice::EndScene() {
    if (!inScene_) {
        return D3DERR_INVALIDCALL;
    }
    inScene_ = false;
    return D3D_OK;
}

#pragma once
// IDirect3DDevice9 on OpenGL 3.3 core. State is recorded as Direct3D state and applied to
// GL at draw time; rendering goes to a framebuffer of the back-buffer size, which Present
// copies to the window and/or hands to the frame sink.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/fixed_function_shader.h"
#include "platform/d3d9/frame_readback.h"
#include "platform/d3d9/gl_share_root.h"
#include "platform/d3d9/pixel_centre.h"
#include "platform/d3d9/window_presenter.h"

#include <vector>

class GlDevice : public ComObject<IDirect3DDevice9> {
  public:
    // Makes the device on `window` (a hidden window of its own when null). D3DDEVTYPE_HAL
    // renders with the system's GL, D3DDEVTYPE_REF with Mesa's software rasteriser (see
    // gl_share_root.h). Fails with D3DERR_NOTAVAILABLE when no context of that kind can be
    // made, D3DERR_INVALIDCALL on bad parameters. Fills in a zero back-buffer size from the
    // window and UNKNOWN formats as Direct3D does.
    static HRESULT Create(IDirect3D9* direct3D, UINT adapter, D3DDEVTYPE deviceType, HWND window,
                          DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device);

    void MakeCurrent();
    const GlCapabilities& Capabilities() const { return *caps_; }
    // A program of the effect system replaces the fixed-function shaders while set; it
    // declares the pixel-centre shift, set from the viewport at each draw.
    void UseExternalProgram(GLuint program) {
        externalProgram_ = program;
        externalShiftLocation_ = program != 0 ? glGetUniformLocation(program, PixelCentre::uniformName) : -1;
    }
    bool ClipControlActive() const { return clipControl_; }
    GlShareGroup ShareGroup() const { return context_.group; }
    // Reads the back buffer as RGBA8, top row first.
    bool ReadBackBuffer(std::vector<unsigned char>* rgba, int* width, int* height);

    HRESULT TestCooperativeLevel() override;
    HRESULT GetDirect3D(IDirect3D9** direct3D) override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface9* cursorBitmap) override;
    void SetCursorPosition(int x, int y, DWORD flags) override;
    BOOL ShowCursor(BOOL show) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const void* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                          IDirect3DSurface9** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
    HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                            UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                                 UINT numVertices, UINT startIndex, UINT primitiveCount) override;

  private:
    GlDevice() = default;
    ~GlDevice() override;

    // device.cpp
    bool CompleteParameters(D3DPRESENT_PARAMETERS* parameters) const;
    bool CreateTargets();
    void DestroyTargets();
    void ApplyWindowMode();
    bool WindowMinimised() const;
    // False once the window the device draws in has been destroyed.
    bool WindowAlive() const;
    // Whether the device's own context can be made current: a software context needs no
    // window, a system one needs its window alive.
    bool ContextUsable() const;
    // Reads the back buffer as GL lays it out (bottom row first) into readback_.
    void ReadFramebuffer();
    // Shows the back buffer in the window.
    void ShowInWindow();

    // device_draw.cpp
    // `arrayBase`: the vertex the attribute arrays start at (a base vertex, where GL has no
    // base-vertex draw).
    bool PrepareDraw(UINT* stride, UINT arrayBase = 0);
    void ApplyRenderStates();
    bool ApplyVertexInput(UINT stride, UINT arrayBase);
    void BindTarget();

    IDirect3D9* direct3D_ = nullptr;
    const GlCapabilities* caps_ = nullptr;
    D3DDEVTYPE deviceType_ = D3DDEVTYPE_HAL;
    UINT adapter_ = 0;
    DWORD behaviorFlags_ = 0;
    HWND focusWindow_ = nullptr;
    SDL_Window* window_ = nullptr;
    bool ownWindow_ = false;
    Uint32 windowId_ = 0;
    GlContext context_;
    // The reference device's way into the window.
    WindowPresenter presenter_;
    bool clipControl_ = false;
    int subpixelBits_ = 8;
    D3DPRESENT_PARAMETERS parameters_{};
    DeviceState state_;
    GLuint framebuffer_ = 0;
    GLuint colourBuffer_ = 0;
    GLuint depthBuffer_ = 0;
    GLuint vertexArray_ = 0;
    FixedFunctionShaders shaders_;
    GLuint externalProgram_ = 0;
    GLint externalShiftLocation_ = -1;
    bool inScene_ = false;
    bool lost_ = false;
    SDL_Cursor* cursor_ = nullptr;
    bool cursorShown_ = false;
    std::vector<unsigned char> readback_;
    FrameReadback frameReadback_;
};

#pragma once
// An IDirect3DDevice9 that needs no GPU: resources live in memory (Lock and GetDesc work),
// every state set is kept so Get* returns it, and every call — device calls and resource
// Lock/Unlock/LockRect/UnlockRect — is recorded in order. Tests drive code above the
// platform with it and read the calls back.

#include "platform/d3d9/call_formatter.h"
#include "platform/d3d9/com_object.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/resource_call_log.h"

#include <map>
#include <string>
#include <vector>

class RecordingDevice : public ComObject<IDirect3DDevice9>, private ResourceCallLog {
  public:
    // Without parameters the device has an 800 x 600 X8R8G8B8 back buffer with a D24S8
    // depth buffer. `direct3D`, when given, is what GetDirect3D returns (referenced).
    explicit RecordingDevice(const D3DPRESENT_PARAMETERS* parameters = nullptr,
                             IDirect3D9* direct3D = nullptr);

    // --- For tests ---
    const std::vector<RecordedCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The calls of one name, in order.
    std::vector<RecordedCall> CallsNamed(const std::string& name) const;
    // Every call as a JSON line, in order.
    std::vector<std::string> JsonLines() const;
    // From now on the named device call (e.g. "TestCooperativeLevel", "Reset", "Present",
    // "CreateTexture") is recorded and returns `result` without doing anything; D3D_OK
    // restores normal behaviour.
    void SetCallResult(const std::string& name, HRESULT result);
    const DeviceState& State() const { return state_; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return parameters_; }
    bool CursorShown() const { return cursorShown_; }
    bool InScene() const { return inScene_; }
    // The current count without changing it.
    ULONG ReferenceCount() {
        AddRef();
        return Release();
    }
    DeviceCallFormatter& Formatter() override { return formatter_; }

    // --- IDirect3DDevice9 ---
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
    ~RecordingDevice() override;
    void Record(RecordedCall call) override { calls_.push_back(std::move(call)); }
    // Records the call and returns the result injected for it (D3D_OK when none).
    HRESULT Log(RecordedCall call);

    DeviceCallFormatter formatter_;
    std::vector<RecordedCall> calls_;
    std::map<std::string, HRESULT> injected_;
    D3DPRESENT_PARAMETERS parameters_{};
    IDirect3D9* direct3D_ = nullptr;
    DeviceState state_;
    bool inScene_ = false;
    bool cursorShown_ = false;
};

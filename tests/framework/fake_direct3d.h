#pragma once
// A scripted Direct3D object and device for framework tests: adapters, modes, formats and
// capabilities are data; device creation, reset, cooperative level and present results
// are queued answers. Objects count references but never delete themselves, so a test can
// look at them after the framework has let go.

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/win32.h"

class FakeSurface : public IDirect3DSurface9 {
  public:
    D3DSURFACE_DESC desc{};
    std::vector<DWORD> pixels;
    ULONG refs = 1;
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* out) override {
        *out = desc;
        return S_OK;
    }
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT*, DWORD) override {
        pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
        locked->pBits = pixels.data();
        locked->Pitch = static_cast<INT>(desc.Width * 4);
        return S_OK;
    }
    HRESULT UnlockRect() override { return S_OK; }
};

class FakeDevice : public IDirect3DDevice9 {
  public:
    explicit FakeDevice(const D3DPRESENT_PARAMETERS& parameters, const D3DCAPS9& deviceCaps)
        : pp(parameters), caps(deviceCaps) {}

    ULONG refs = 1;
    D3DPRESENT_PARAMETERS pp;
    D3DCAPS9 caps;
    std::deque<HRESULT> cooperativeAnswers; // empty: D3D_OK
    std::deque<HRESULT> resetAnswers;       // empty: D3D_OK
    std::deque<HRESULT> presentAnswers;     // empty: D3D_OK
    int presents = 0;
    int resets = 0;
    DWORD fillMode = D3DFILL_SOLID;
    FakeSurface backBuffer;
    FakeSurface* cursorSurface = nullptr;
    std::vector<DWORD> cursorPixels;

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    static HRESULT Next(std::deque<HRESULT>& answers) {
        if (answers.empty())
            return D3D_OK;
        HRESULT hr = answers.front();
        answers.pop_front();
        return hr;
    }

    HRESULT TestCooperativeLevel() override { return Next(cooperativeAnswers); }
    HRESULT GetDirect3D(IDirect3D9**) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(D3DCAPS9* out) override {
        *out = caps;
        return S_OK;
    }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface9* surface) override {
        auto* fake = static_cast<FakeSurface*>(surface);
        cursorPixels = fake->pixels;
        return S_OK;
    }
    void SetCursorPosition(int, int, DWORD) override {}
    BOOL ShowCursor(BOOL) override { return FALSE; }
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override {
        ++resets;
        HRESULT hr = Next(resetAnswers);
        if (SUCCEEDED(hr))
            pp = *parameters;
        return hr;
    }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override {
        ++presents;
        return Next(presentAnswers);
    }
    HRESULT GetBackBuffer(UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) override {
        backBuffer.desc.Width = pp.BackBufferWidth;
        backBuffer.desc.Height = pp.BackBufferHeight;
        backBuffer.desc.Format = pp.BackBufferFormat;
        backBuffer.AddRef();
        *surface = &backBuffer;
        return S_OK;
    }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**,
                          HANDLE*) override {
        return E_NOTIMPL;
    }
    HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**,
                              HANDLE*) override {
        return E_NOTIMPL;
    }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*) override {
        return E_NOTIMPL;
    }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*) override {
        return E_NOTIMPL;
    }
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL,
                                        IDirect3DSurface9** surface, HANDLE*) override {
        cursorSurface = new FakeSurface;
        cursorSurface->desc.Width = width;
        cursorSurface->desc.Height = height;
        cursorSurface->desc.Format = format;
        *surface = cursorSurface;
        ownedSurfaces.emplace_back(cursorSurface);
        return S_OK;
    }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return S_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return S_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT9*) override { return S_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return S_OK; }
    HRESULT GetMaterial(D3DMATERIAL9*) override { return S_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return S_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT9*) override { return S_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return S_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        if (state == D3DRS_FILLMODE)
            fillMode = value;
        return S_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return S_OK; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return S_OK; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { return S_OK; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return S_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { return S_OK; }
    HRESULT SetFVF(DWORD) override { return S_OK; }
    HRESULT GetFVF(DWORD*) override { return S_OK; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return S_OK; }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return S_OK; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return S_OK; }

  private:
    std::vector<std::unique_ptr<FakeSurface>> ownedSurfaces;
};

struct FakeAdapter {
    D3DDISPLAYMODE desktop{1280, 1024, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes;
    // Device types that answer GetDeviceCaps, with their DevCaps.
    std::vector<std::pair<D3DDEVTYPE, DWORD>> deviceTypes{{D3DDEVTYPE_HAL, D3DDEVCAPS_HWTRANSFORMANDLIGHT},
                                                          {D3DDEVTYPE_REF, D3DDEVCAPS_HWTRANSFORMANDLIGHT}};
    std::vector<D3DFORMAT> depthFormats{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32};
};

class FakeDirect3D : public IDirect3D9 {
  public:
    ULONG refs = 1;
    std::vector<FakeAdapter> adapters;
    std::deque<HRESULT> createAnswers; // empty: D3D_OK
    struct CreateCall {
        UINT adapter;
        D3DDEVTYPE type;
        DWORD behaviorFlags;
        D3DPRESENT_PARAMETERS pp;
    };
    std::vector<CreateCall> createCalls;
    std::vector<std::unique_ptr<FakeDevice>> devices;
    // References the device keeps for itself after the framework's release (leaked objects).
    ULONG leakedReferences = 0;

    FakeDevice* LastDevice() { return devices.empty() ? nullptr : devices.back().get(); }

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    UINT GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }
    HRESULT GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER9* identifier) override {
        *identifier = D3DADAPTER_IDENTIFIER9{};
        return S_OK;
    }
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        return static_cast<UINT>(ModesIn(adapter, format).size());
    }
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) override {
        auto modes = ModesIn(adapter, format);
        if (mode >= modes.size())
            return D3DERR_INVALIDCALL;
        *out = modes[mode];
        return S_OK;
    }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        if (adapter >= adapters.size())
            return D3DERR_INVALIDCALL;
        *mode = adapters[adapter].desktop;
        return S_OK;
    }
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                            BOOL) override {
        if (adapter >= adapters.size())
            return D3DERR_INVALIDCALL;
        bool sameDepth = (adapterFormat == D3DFMT_X8R8G8B8 &&
                          (backBufferFormat == D3DFMT_X8R8G8B8 || backBufferFormat == D3DFMT_A8R8G8B8)) ||
                         (adapterFormat == D3DFMT_R5G6B5 && backBufferFormat == D3DFMT_R5G6B5);
        return sameDepth ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE,
                              D3DFORMAT format) override {
        if (usage == D3DUSAGE_DEPTHSTENCIL) {
            auto& list = adapters[adapter].depthFormats;
            return std::find(list.begin(), list.end(), format) != list.end() ? S_OK : D3DERR_NOTAVAILABLE;
        }
        if (usage == D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)
            return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5
                       ? S_OK
                       : D3DERR_NOTAVAILABLE;
        return S_OK;
    }
    HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE type,
                                       DWORD* levels) override {
        if (type != D3DMULTISAMPLE_NONE)
            return D3DERR_NOTAVAILABLE;
        if (levels)
            *levels = 1;
        return S_OK;
    }
    HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override {
        return S_OK;
    }
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        if (adapter >= adapters.size())
            return D3DERR_INVALIDCALL;
        for (auto& [deviceType, devCaps] : adapters[adapter].deviceTypes)
            if (deviceType == type) {
                *caps = D3DCAPS9{};
                caps->DeviceType = type;
                caps->AdapterOrdinal = adapter;
                caps->DevCaps = devCaps;
                caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
                return S_OK;
            }
        return D3DERR_NOTAVAILABLE;
    }
    HMONITOR GetAdapterMonitor(UINT) override { return MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY); }
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND, DWORD behaviorFlags, D3DPRESENT_PARAMETERS* pp,
                         IDirect3DDevice9** device) override {
        createCalls.push_back({adapter, type, behaviorFlags, *pp});
        HRESULT hr = FakeDevice::Next(createAnswers);
        if (FAILED(hr))
            return hr;
        D3DCAPS9 caps{};
        GetDeviceCaps(adapter, type, &caps);
        // Without hardware transform and lighting, hardware vertex processing is refused.
        if ((behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING) &&
            !(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT))
            return D3DERR_NOTAVAILABLE;
        devices.push_back(std::make_unique<FakeDevice>(*pp, caps));
        devices.back()->refs = 1 + leakedReferences;
        *device = devices.back().get();
        return S_OK;
    }

  private:
    std::vector<D3DDISPLAYMODE> ModesIn(UINT adapter, D3DFORMAT format) {
        std::vector<D3DDISPLAYMODE> result;
        if (adapter < adapters.size())
            for (const auto& mode : adapters[adapter].modes)
                if (mode.Format == format)
                    result.push_back(mode);
        return result;
    }
};

// The usual desktop adapter: 32-bit modes at 60 and 75 Hz, a few 16-bit ones.
inline FakeAdapter StandardAdapter() {
    FakeAdapter adapter;
    for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}})
        for (UINT refresh : {60u, 75u}) {
            adapter.modes.push_back({w, h, refresh, D3DFMT_X8R8G8B8});
            adapter.modes.push_back({w, h, refresh, D3DFMT_R5G6B5});
        }
    return adapter;
}

// IDirect3D9 on SDL displays and the OpenGL roots: adapters are displays, modes are the
// displays' modes, and every format check answers from what the GL of the device type
// measured it can do.
//
// Device types: D3DDEVTYPE_HAL is the system's GL, whatever the window system gives;
// D3DDEVTYPE_REF is Mesa's software rasteriser, picked out explicitly so that it is software
// even where the system GL is a GPU (gl_share_root.h). Each is offered where its GL can be
// made, so the framework's catalogue holds both on a machine with Mesa: -forceref, F3 and
// the settings matching choose between two real devices. D3DDEVTYPE_SW is not offered.
#include "platform/d3d9/d3d9.h"

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/device_caps.h"
#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/gl_share_root.h"
#include "platform/d3d9/gl_texture_format.h"
#include "platform/win32/platform_window.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Display formats a full-screen mode can have.
constexpr D3DFORMAT displayFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A2R10G10B10};

D3DFORMAT DisplayFormat(Uint32 sdlFormat) {
    switch (sdlFormat) {
    case SDL_PIXELFORMAT_RGB565:
        return D3DFMT_R5G6B5;
    case SDL_PIXELFORMAT_RGB555:
        return D3DFMT_X1R5G5B5;
    case SDL_PIXELFORMAT_ARGB2101010:
        return D3DFMT_A2R10G10B10;
    default:
        return D3DFMT_X8R8G8B8;
    }
}

bool IsDisplayFormat(D3DFORMAT format) {
    for (const D3DFORMAT f : displayFormats) {
        if (f == format) {
            return true;
        }
    }
    return false;
}

// The back-buffer formats that go with a display format: itself and its alpha twin.
bool BackBufferMatches(D3DFORMAT display, D3DFORMAT backBuffer) {
    return backBuffer == display || (display == D3DFMT_X8R8G8B8 && backBuffer == D3DFMT_A8R8G8B8) ||
           (display == D3DFMT_X1R5G5B5 && backBuffer == D3DFMT_A1R5G5B5);
}

class GlDirect3D9 : public ComObject<IDirect3D9> {
  public:
    GlDirect3D9(const GlCapabilities* hardware, const GlCapabilities* reference)
        : hardware_(hardware), reference_(reference), caps_(hardware != nullptr ? hardware : reference) {}

    UINT GetAdapterCount() override {
        const int n = SDL_GetNumVideoDisplays();
        return n > 0 ? static_cast<UINT>(n) : 0;
    }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) override {
        if (id == nullptr || adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        std::memset(id, 0, sizeof *id);
        std::snprintf(id->Driver, sizeof id->Driver, "OpenGL %s", caps_->version.c_str());
        std::snprintf(id->Description, sizeof id->Description, "%s", caps_->renderer.c_str());
        std::snprintf(id->DeviceName, sizeof id->DeviceName, "\\\\.\\DISPLAY%u", adapter + 1);
        // A stable identity from the renderer's name, so the same machine reads the same id.
        DWORD hash = 2166136261u;
        for (const char c : caps_->vendor + caps_->renderer) {
            hash = (hash ^ static_cast<BYTE>(c)) * 16777619u;
        }
        id->DeviceIdentifier.Data1 = hash;
        id->DeviceId = hash & 0xFFFF;
        id->WHQLLevel = (flags & D3DENUM_WHQL_LEVEL) != 0 ? 1 : 0;
        return D3D_OK;
    }

    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        return static_cast<UINT>(Modes(adapter, format).size());
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                             D3DDISPLAYMODE* displayMode) override {
        if (displayMode == nullptr || adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        const std::vector<D3DDISPLAYMODE> modes = Modes(adapter, format);
        if (mode >= modes.size()) {
            return D3DERR_INVALIDCALL;
        }
        *displayMode = modes[mode];
        return D3D_OK;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        SDL_DisplayMode current{};
        if (displayMode == nullptr || adapter >= GetAdapterCount() ||
            SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &current) != 0) {
            return D3DERR_INVALIDCALL;
        }
        *displayMode = {static_cast<UINT>(current.w), static_cast<UINT>(current.h),
                        static_cast<UINT>(current.refresh_rate), DisplayFormat(current.format)};
        return D3D_OK;
    }

    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                            D3DFORMAT backBufferFormat, BOOL windowed) override {
        if (adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        const GlCapabilities* caps = CapsOf(deviceType);
        if (caps == nullptr || !IsDisplayFormat(adapterFormat)) {
            return D3DERR_NOTAVAILABLE;
        }
        if (windowed == FALSE && GetAdapterModeCount(adapter, adapterFormat) == 0) {
            return D3DERR_NOTAVAILABLE;
        }
        if (backBufferFormat == D3DFMT_UNKNOWN) {
            return windowed != FALSE ? D3D_OK : D3DERR_INVALIDCALL;
        }
        if (!BackBufferMatches(adapterFormat, backBufferFormat) ||
            caps->renderTargetFormats.count(backBufferFormat) == 0) {
            return D3DERR_NOTAVAILABLE;
        }
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        if (adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        const GlCapabilities* caps = CapsOf(deviceType);
        if (caps == nullptr || !IsDisplayFormat(adapterFormat)) {
            return D3DERR_NOTAVAILABLE;
        }
        if ((usage & D3DUSAGE_DEPTHSTENCIL) != 0) {
            return resourceType == D3DRTYPE_SURFACE && caps->depthStencilFormats.count(checkFormat) != 0
                       ? D3D_OK
                       : D3DERR_NOTAVAILABLE;
        }
        if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)) != 0) {
            // Render targets are the back buffer only; every renderable GL colour format blends.
            if (caps->renderTargetFormats.count(checkFormat) == 0) {
                return D3DERR_NOTAVAILABLE;
            }
            if ((usage & D3DUSAGE_RENDERTARGET) != 0 && resourceType != D3DRTYPE_SURFACE) {
                return D3DERR_NOTAVAILABLE;
            }
            return D3D_OK;
        }
        switch (resourceType) {
        case D3DRTYPE_TEXTURE:
        case D3DRTYPE_CUBETEXTURE:
        case D3DRTYPE_SURFACE:
            return FindGlTextureFormat(checkFormat, caps->s3tc) != nullptr ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_VERTEXBUFFER:
            return D3D_OK;
        case D3DRTYPE_INDEXBUFFER:
            return checkFormat == D3DFMT_INDEX16 || checkFormat == D3DFMT_INDEX32 ? D3D_OK
                                                                                  : D3DERR_NOTAVAILABLE;
        default:
            return D3DERR_NOTAVAILABLE;
        }
    }

    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL,
                                       D3DMULTISAMPLE_TYPE multiSampleType, DWORD* qualityLevels) override {
        if (adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        const GlCapabilities* caps = CapsOf(deviceType);
        const bool known = caps != nullptr && (caps->renderTargetFormats.count(surfaceFormat) != 0 ||
                                               caps->depthStencilFormats.count(surfaceFormat) != 0);
        // The back buffer is single-sampled: only "none" is offered.
        if (!known || multiSampleType != D3DMULTISAMPLE_NONE) {
            if (qualityLevels != nullptr) {
                *qualityLevels = 0;
            }
            return D3DERR_NOTAVAILABLE;
        }
        if (qualityLevels != nullptr) {
            *qualityLevels = 1;
        }
        return D3D_OK;
    }

    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override {
        if (adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        const GlCapabilities* caps = CapsOf(deviceType);
        if (caps == nullptr || !IsDisplayFormat(adapterFormat) ||
            caps->renderTargetFormats.count(renderTargetFormat) == 0 ||
            caps->depthStencilFormats.count(depthStencilFormat) == 0) {
            return D3DERR_NOTAVAILABLE;
        }
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* caps) override {
        if (caps == nullptr || adapter >= GetAdapterCount()) {
            return D3DERR_INVALIDCALL;
        }
        const GlCapabilities* measured = CapsOf(deviceType);
        if (measured == nullptr) {
            return D3DERR_NOTAVAILABLE;
        }
        *caps = MakeDeviceCaps(adapter, deviceType, measured->presentationIntervals,
                               static_cast<DWORD>(measured->maxTextureSize));
        return D3D_OK;
    }

    HMONITOR GetAdapterMonitor(UINT adapter) override {
        if (adapter >= GetAdapterCount()) {
            return nullptr;
        }
        return Win32Platform::MonitorFromDisplayIndex(static_cast<int>(adapter));
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
        if (device != nullptr) {
            *device = nullptr;
        }
        if (adapter >= GetAdapterCount() || device == nullptr || parameters == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (CapsOf(deviceType) == nullptr) {
            return D3DERR_NOTAVAILABLE;
        }
        return GlDevice::Create(this, adapter, deviceType, focusWindow, behaviorFlags, parameters, device);
    }

  private:
    ~GlDirect3D9() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    std::vector<D3DDISPLAYMODE> Modes(UINT adapter, D3DFORMAT format) const {
        std::vector<D3DDISPLAYMODE> modes;
        const int display = static_cast<int>(adapter);
        const int count = SDL_GetNumDisplayModes(display);
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode m{};
            if (SDL_GetDisplayMode(display, i, &m) != 0 || DisplayFormat(m.format) != format) {
                continue;
            }
            const D3DDISPLAYMODE mode{static_cast<UINT>(m.w), static_cast<UINT>(m.h),
                                      static_cast<UINT>(m.refresh_rate), format};
            bool duplicate = false;
            for (const D3DDISPLAYMODE& seen : modes) {
                duplicate = duplicate || (seen.Width == mode.Width && seen.Height == mode.Height &&
                                          seen.RefreshRate == mode.RefreshRate);
            }
            if (!duplicate) {
                modes.push_back(mode);
            }
        }
        return modes;
    }

    // The GL behind a device type; null for a type not offered here.
    const GlCapabilities* CapsOf(D3DDEVTYPE deviceType) const {
        switch (deviceType) {
        case D3DDEVTYPE_HAL:
            return hardware_;
        case D3DDEVTYPE_REF:
            return reference_;
        default:
            return nullptr;
        }
    }

    const GlCapabilities* hardware_;
    const GlCapabilities* reference_;
    const GlCapabilities* caps_; // what the adapter identifier names: the hardware GL when there is one
};

} // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return nullptr;
    }
    const GlCapabilities* hardware = GlShareRoot::Capabilities(GlShareGroup::System);
    const GlCapabilities* reference = GlShareRoot::Capabilities(GlShareGroup::Software);
    if (hardware == nullptr && reference == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return new GlDirect3D9(hardware, reference);
}

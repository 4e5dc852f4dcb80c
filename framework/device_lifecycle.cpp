// Creating, resetting, losing and releasing the device, and the mode changes built on
// them. Every path keeps deviceReady, the two device-object flags and currentSettings
// consistent. The settings dialog, GUI resource manager and resource cache that would be
// told about each step do not exist in this framework.
#include <memory>
#include <new>
#include <vector>

#include "framework/device_catalogue.h"
#include "framework/frame_timer.h"
#include "framework/framework_internal.h"

using namespace FrameworkInternal;

namespace {

constexpr DWORD FullScreenStyle = WS_POPUP | WS_VISIBLE | WS_SYSMENU;
constexpr LONG MinimumWindowedBackBuffer = 200;
constexpr DWORD OpaqueAlpha = 0xFF000000u;

void PlaceWindowedWindow() {
    FrameworkState& state = State();
    HWND window = state.windowedWindow;
    RECT stored = state.windowedWindowRect;
    LONG width = stored.right - stored.left, height = stored.bottom - stored.top;
    SetWindowPos(window, HWND_NOTOPMOST, stored.left, stored.top, width, height, 0);
    state.windowedStyle |= WS_VISIBLE;

    MONITORINFO windowMonitor{sizeof(MONITORINFO), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &windowMonitor);
    MONITORINFO adapterMonitor{sizeof(MONITORINFO), {}, {}, 0};
    // A monitor the window system does not know falls back to the window's own.
    if (!GetMonitorInfoW(state.adapterMonitor, &adapterMonitor))
        adapterMonitor = windowMonitor;

    LONG offsetX = stored.left - windowMonitor.rcMonitor.left;
    LONG offsetY = stored.top - windowMonitor.rcMonitor.top;
    const RECT& work = adapterMonitor.rcWork;
    if (state.windowPositionDefaulted) {
        state.windowPositionDefaulted = false;
        if (offsetX + width + work.left > work.right)
            offsetX = (work.right - work.left - width) / 2;
        if (offsetY + height + work.top > work.bottom)
            offsetY = (work.bottom - work.top - height) / 2;
    }
    SetWindowPos(window, HWND_NOTOPMOST, offsetX + adapterMonitor.rcMonitor.left,
                 offsetY + adapterMonitor.rcMonitor.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    GetClientRect(window, &state.windowedClientRect);
    GetWindowRect(window, &state.windowedWindowRect);
}

bool SameDevice(const DeviceSettings& a, const DeviceSettings& b) {
    return a.AdapterOrdinal == b.AdapterOrdinal && a.DeviceType == b.DeviceType &&
           a.BehaviorFlags == b.BehaviorFlags;
}

} // namespace

void FrameworkInternal::SwitchWindowStyle(bool windowed) {
    FrameworkState& state = State();
    if (windowed) {
        if (state.fullScreenWindow != state.windowedWindow)
            ShowWindow(state.fullScreenWindow, SW_HIDE);
        SetWindowLongW(state.windowedWindow, GWL_STYLE, static_cast<LONG>(state.windowedStyle));
    } else {
        if (state.fullScreenWindow != state.windowedWindow) {
            if (IsIconic(state.fullScreenWindow))
                ShowWindow(state.fullScreenWindow, SW_RESTORE);
            ShowWindow(state.fullScreenWindow, SW_SHOW);
        }
        SetWindowLongW(state.fullScreenWindow, GWL_STYLE, static_cast<LONG>(FullScreenStyle));
    }
}

HRESULT FrameworkInternal::SetDeviceCursor(IDirect3DDevice9* device, HCURSOR cursor) {
    ICONINFO info{};
    if (!device || !GetIconInfo(cursor, &info))
        return E_FAIL;
    struct Bitmaps {
        ICONINFO& info;
        ~Bitmaps() {
            if (info.hbmMask)
                DeleteObject(AsGdiObject(info.hbmMask));
            if (info.hbmColor)
                DeleteObject(AsGdiObject(info.hbmColor));
        }
    } release{info};
    BITMAP mask{};
    if (!info.hbmMask || !GetObjectW(AsGdiObject(info.hbmMask), sizeof(BITMAP), &mask) || mask.bmWidth <= 0)
        return E_FAIL;
    bool colour = info.hbmColor != nullptr;
    UINT width = static_cast<UINT>(mask.bmWidth);
    UINT height = static_cast<UINT>(colour ? mask.bmHeight : mask.bmHeight / 2);
    if (height == 0)
        return E_FAIL;

    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                                     &surface, nullptr);
    if (FAILED(hr))
        return hr;
    std::vector<DWORD> maskPixels(static_cast<size_t>(width) * static_cast<UINT>(mask.bmHeight));
    GetBitmapBits32(info.hbmMask, 0, static_cast<UINT>(mask.bmHeight), maskPixels.data());
    std::vector<DWORD> colourPixels;
    if (colour) {
        colourPixels.resize(static_cast<size_t>(width) * height);
        GetBitmapBits32(info.hbmColor, 0, height, colourPixels.data());
    }
    D3DLOCKED_RECT locked{};
    hr = surface->LockRect(&locked, nullptr, 0);
    if (SUCCEEDED(hr)) {
        for (UINT y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) +
                                                 static_cast<size_t>(y) * locked.Pitch);
            for (UINT x = 0; x < width; ++x) {
                size_t at = static_cast<size_t>(y) * width + x;
                DWORD image =
                    colour ? colourPixels[at] : maskPixels[at + static_cast<size_t>(height) * width];
                row[x] = maskPixels[at] != 0 ? 0 : (image | OpaqueAlpha);
            }
        }
        surface->UnlockRect();
        hr = device->SetCursorProperties(info.xHotspot, info.yHotspot, surface);
    }
    surface->Release();
    return hr;
}

void FrameworkInternal::UpdateDeviceState() {
    FrameworkState& state = State();
    IDirect3DDevice9* device = state.device;
    state.backBufferDesc = D3DSURFACE_DESC{};
    IDirect3DSurface9* backBuffer = nullptr;
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) && backBuffer) {
        backBuffer->GetDesc(&state.backBufferDesc);
        backBuffer->Release();
    }
    device->GetDeviceCaps(&state.caps);
    bool fullScreen = FullScreenNow();
    if (state.showCursorWhenFullScreen && fullScreen) {
        // The class cursor of the framework window is the standard arrow.
        SetDeviceCursor(device, LoadCursorW(nullptr, IDC_ARROW));
        device->ShowCursor(TRUE);
    }
    if (state.clipCursorWhenFullScreen) {
        if (!fullScreen) {
            ClipCursor(nullptr);
        } else {
            RECT windowRect{};
            GetWindowRect(state.fullScreenWindow, &windowRect);
            ClipCursor(&windowRect);
        }
    }
}

HRESULT FrameworkInternal::CreateDeviceObjects() {
    FrameworkState& state = State();
    state.deviceObjectsCreated = state.deviceObjectsReset = false;
    SwitchWindowStyle(!FullScreenNow());
    UpdateDeviceState();
    HRESULT hr = S_OK;
    if (state.deviceCreated)
        hr = InsideDeviceCallback([&] { return state.deviceCreated(state.device, &state.backBufferDesc); });
    if (FAILED(hr)) {
        ReleaseDevice(true);
        return hr == FrameworkError::MediaNotFound ? hr : FrameworkError::CreatingDeviceObjects;
    }
    state.deviceObjectsCreated = true;
    if (state.deviceReset)
        hr = InsideDeviceCallback([&] { return state.deviceReset(state.device, &state.backBufferDesc); });
    if (FAILED(hr))
        return hr == FrameworkError::MediaNotFound ? hr : FrameworkError::ResettingDeviceObjects;
    state.deviceObjectsReset = true;
    return S_OK;
}

HRESULT FrameworkInternal::ResetDevice() {
    FrameworkState& state = State();
    if (state.deviceObjectsReset) {
        InsideDeviceCallback([&] {
            if (state.deviceLost)
                state.deviceLost();
            return 0;
        });
        state.deviceObjectsReset = false;
    }
    SwitchWindowStyle(!FullScreenNow());
    HRESULT hr = state.device->Reset(&state.currentSettings->pp);
    if (FAILED(hr))
        return hr == D3DERR_DEVICELOST ? hr : FrameworkError::ResettingDevice;
    UpdateDeviceState();
    hr = S_OK;
    if (state.deviceReset)
        hr = InsideDeviceCallback([&] { return state.deviceReset(state.device, &state.backBufferDesc); });
    if (FAILED(hr)) {
        InsideDeviceCallback([&] {
            if (state.deviceLost)
                state.deviceLost();
            return 0;
        });
        return hr == FrameworkError::MediaNotFound ? hr : FrameworkError::ResettingDeviceObjects;
    }
    state.deviceObjectsReset = true;
    return hr;
}

void FrameworkInternal::ReleaseDevice(bool releaseSettings) {
    FrameworkState& state = State();
    if (!state.device)
        return;
    InsideDeviceCallback([&] {
        if (state.deviceLost)
            state.deviceLost();
        state.deviceObjectsReset = false;
        if (state.deviceDestroyed)
            state.deviceDestroyed();
        state.deviceObjectsCreated = false;
        return 0;
    });
    IDirect3DDevice9* device = state.device;
    state.device = nullptr;
    if (device->Release() > 0)
        Framework::ReportError(FrameworkError::NonZeroRefCount);
    if (releaseSettings) {
        delete state.currentSettings;
        state.currentSettings = nullptr;
    }
    state.backBufferDesc = D3DSURFACE_DESC{};
    state.caps = D3DCAPS9{};
    state.deviceReady = false;
}

HRESULT Framework::ChangeDevice(const DeviceSettings* newSettings, IDirect3DDevice9* applicationDevice,
                                bool forceRecreate) {
    FrameworkState& state = State();
    if (!state.direct3D)
        return S_FALSE;
    if (!newSettings)
        return E_INVALIDARG;
    // The caller's record may be the current one, which this change replaces.
    const DeviceSettings requested = *newSettings;
    DeviceSettings* old = state.currentSettings;
    auto* settings = new (std::nothrow) DeviceSettings(requested);
    if (!settings)
        return E_OUTOFMEMORY;
    state.currentSettings = settings;
    Pause(true, true);
    state.ignoreSizeChange = true;
    state.useStateLock = (settings->BehaviorFlags & D3DCREATE_MULTITHREADED) != 0;
    if (!applicationDevice && !old)
        ApplyOverridesToSettings(settings);

    if (settings->pp.Windowed) {
        settings->pp.BackBufferWidth =
            std::max<UINT>(settings->pp.BackBufferWidth, MinimumWindowedBackBuffer);
        settings->pp.BackBufferHeight =
            std::max<UINT>(settings->pp.BackBufferHeight, MinimumWindowedBackBuffer);
        RECT outer{0, 0, static_cast<LONG>(settings->pp.BackBufferWidth),
                   static_cast<LONG>(settings->pp.BackBufferHeight)};
        AdjustWindowRect(&outer, state.windowedStyle, GetMenu(state.windowedWindow) != nullptr);
        LONG outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
        state.windowedClientRect = RECT{0, 0, outerWidth, outerHeight};
        state.windowedWindowRect.right = state.windowedWindowRect.left + outerWidth;
        state.windowedWindowRect.bottom = state.windowedWindowRect.top + outerHeight;
    }

    auto fail = [&](HRESULT hr) {
        state.ignoreSizeChange = false;
        Pause(false, false);
        return hr;
    };

    bool recreate = forceRecreate || (applicationDevice && applicationDevice != state.device) || !old ||
                    !SameDevice(*old, *settings);
    if (recreate) {
        if (old)
            ReleaseDevice(false);
        IDirect3DDevice9* device = nullptr;
        if (applicationDevice) {
            applicationDevice->AddRef();
            device = applicationDevice;
        } else {
            if (!old && settings->DeviceType == D3DDEVTYPE_REF && !state.overrides.overrideForceRef)
                ReportError(FrameworkError::SwitchedToRef);
            HRESULT hr = state.direct3D->CreateDevice(settings->AdapterOrdinal, settings->DeviceType,
                                                      state.focusWindow, settings->BehaviorFlags,
                                                      &settings->pp, &device);
            if (FAILED(hr) || !device) {
                delete old;
                fail(0);
                ReportError(FrameworkError::CreatingDevice);
                return FAILED(hr) ? hr : E_FAIL;
            }
        }
        state.device = device;
        HRESULT hr = CreateDeviceObjects();
        if (FAILED(hr)) {
            delete old;
            ReportError(hr);
            return fail(hr);
        }
    } else {
        HRESULT hr = ResetDevice();
        if (FAILED(hr)) {
            if (hr == D3DERR_DEVICELOST) {
                delete old;
                fail(0);
                state.deviceIsLost = true;
                return S_OK;
            }
            if (hr == FrameworkError::ResettingDeviceObjects || hr == FrameworkError::MediaNotFound) {
                delete old;
                ReportError(hr);
                Shutdown();
                return hr;
            }
            // Any other failure: back to the old record and re-create from scratch. The
            // pause taken above is undone first so that the retry leaves none behind.
            delete state.currentSettings;
            state.currentSettings = old;
            fail(0);
            hr = ChangeDevice(&requested, applicationDevice, true);
            if (FAILED(hr)) {
                Shutdown();
                return FrameworkError::CreatingDevice;
            }
            return S_OK;
        }
    }

    delete old;
    state.adapterMonitor = state.direct3D->GetAdapterMonitor(settings->AdapterOrdinal);
    if (settings->pp.Windowed)
        PlaceWindowedWindow();
    else
        state.fullScreenClientRect = RECT{0, 0, static_cast<LONG>(settings->pp.BackBufferWidth),
                                          static_cast<LONG>(settings->pp.BackBufferHeight)};
    state.ignoreSizeChange = false;
    Pause(false, false);
    state.deviceReady = true;
    return S_OK;
}

void Framework::Shutdown() {
    FrameworkState& state = State();
    HWND window = Window();
    if (!window)
        window = state.focusWindow;
    if (window && IsWindow(window))
        SendMessageW(window, WM_CLOSE, 0, 0);
    ReleaseDevice(true);
    state.catalogue = nullptr;
    if (state.direct3D) {
        state.direct3D->Release();
        state.direct3D = nullptr;
    }
}

namespace {

// The resolution rule of a toggle: closest to the last client size of the target mode,
// or ignored when none has been recorded.
void ResolutionFrom(const RECT& client, DeviceSettings* request, MatchRules* rules) {
    LONG width = client.right - client.left, height = client.bottom - client.top;
    if (width >= 1 && height >= 1) {
        rules->resolution = MatchRule::Closest;
        request->pp.BackBufferWidth = static_cast<UINT>(width);
        request->pp.BackBufferHeight = static_cast<UINT>(height);
    } else {
        rules->resolution = MatchRule::Ignore;
    }
}

} // namespace

HRESULT Framework::ToggleFullScreen() {
    FrameworkState& state = State();
    if (!state.currentSettings)
        return E_FAIL;
    Pause(true, true);
    DeviceSettings request = *state.currentSettings;
    request.pp.Windowed = !request.pp.Windowed;
    MatchRules rules;
    rules.adapterOrdinal = MatchRule::Keep;
    rules.windowed = MatchRule::Keep;
    rules.deviceType = rules.vertexProcessing = rules.backBufferCount = rules.multiSample =
        MatchRule::Closest;
    rules.swapEffect = rules.depthFormat = rules.stencilFormat = rules.presentFlags = MatchRule::Closest;
    ResolutionFrom(request.pp.Windowed ? state.windowedClientRect : state.fullScreenClientRect, &request,
                   &rules);

    DeviceSettings found{};
    HRESULT hr = FindDeviceSettings(&found, &request, &rules);
    if (SUCCEEDED(hr)) {
        hr = ChangeDevice(&found, nullptr, false);
        if (FAILED(hr)) {
            request.pp.Windowed = !request.pp.Windowed;
            ResolutionFrom(request.pp.Windowed ? state.windowedClientRect : state.fullScreenClientRect,
                           &request, &rules);
            hr = FindDeviceSettings(&found, &request, &rules);
            if (SUCCEEDED(hr))
                hr = ChangeDevice(&found, nullptr, false);
            if (FAILED(hr))
                Shutdown();
        }
    }
    Pause(false, false);
    return hr;
}

HRESULT Framework::ToggleReferenceRasterizer() {
    FrameworkState& state = State();
    if (!state.currentSettings)
        return E_FAIL;
    Pause(true, true);
    DeviceSettings request = *state.currentSettings;
    auto swapType = [](DeviceSettings* settings) {
        if (settings->DeviceType == D3DDEVTYPE_HAL)
            settings->DeviceType = D3DDEVTYPE_REF;
        else if (settings->DeviceType == D3DDEVTYPE_REF)
            settings->DeviceType = D3DDEVTYPE_HAL;
    };
    swapType(&request);
    MatchRules rules{MatchRule::Keep,    MatchRule::Keep,    MatchRule::Closest, MatchRule::Closest,
                     MatchRule::Closest, MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                     MatchRule::Closest, MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                     MatchRule::Closest, MatchRule::Closest, MatchRule::Closest};
    DeviceSettings found{};
    HRESULT hr = FindDeviceSettings(&found, &request, &rules);
    if (SUCCEEDED(hr)) {
        hr = ChangeDevice(&found, nullptr, false);
        if (FAILED(hr)) {
            swapType(&request);
            hr = FindDeviceSettings(&found, &request, &rules);
            if (SUCCEEDED(hr))
                hr = ChangeDevice(&found, nullptr, false);
            if (FAILED(hr))
                Shutdown();
        }
    }
    Pause(false, false);
    return hr;
}

void FrameworkInternal::CheckWindowSize() {
    FrameworkState& state = State();
    if (!state.deviceReady || state.ignoreSizeChange || !state.currentSettings ||
        !state.currentSettings->pp.Windowed)
        return;
    RECT previous = state.windowedClientRect;
    GetClientRect(state.windowedWindow, &state.windowedClientRect);
    GetWindowRect(state.windowedWindow, &state.windowedWindowRect);
    LONG width = state.windowedClientRect.right - state.windowedClientRect.left;
    LONG height = state.windowedClientRect.bottom - state.windowedClientRect.top;
    if (width != previous.right - previous.left || height != previous.bottom - previous.top) {
        Framework::Pause(true, true);
        state.currentSettings->pp.BackBufferWidth = static_cast<UINT>(width);
        state.currentSettings->pp.BackBufferHeight = static_cast<UINT>(height);
        if (state.device) {
            HRESULT hr = ResetDevice();
            if (hr == FrameworkError::MediaNotFound || hr == FrameworkError::ResettingDeviceObjects) {
                Framework::ReportError(hr);
                Framework::Shutdown();
                return;
            }
            if (hr == D3DERR_DEVICELOST) {
                state.deviceIsLost = true;
            } else if (FAILED(hr)) {
                DeviceSettings current = *state.currentSettings;
                if (FAILED(Framework::ChangeDevice(&current, nullptr, true)))
                    Framework::Shutdown();
            }
        }
        Framework::Pause(false, false);
    }
    CheckMonitor();
}

void FrameworkInternal::CheckMonitor() {
    FrameworkState& state = State();
    if (!state.autoChangeAdapter || !state.currentSettings || !state.direct3D)
        return;
    HMONITOR monitor = MonitorFromWindow(Framework::Window(), MONITOR_DEFAULTTONEAREST);
    if (monitor == state.adapterMonitor)
        return;
    Framework::Pause(true, true);
    DeviceCatalogue* catalogue = DeviceCatalogue::Get(false, state.acceptDevice);
    for (const AdapterEntry& adapter : catalogue->Adapters()) {
        if (state.direct3D->GetAdapterMonitor(adapter.AdapterOrdinal) != monitor)
            continue;
        DeviceSettings request = *state.currentSettings;
        request.AdapterOrdinal = adapter.AdapterOrdinal;
        MatchRules rules{MatchRule::Keep,    MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                         MatchRule::Closest, MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                         MatchRule::Closest, MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                         MatchRule::Closest, MatchRule::Closest, MatchRule::Closest};
        DeviceSettings found{};
        if (SUCCEEDED(Framework::FindDeviceSettings(&found, &request, &rules)) &&
            FAILED(Framework::ChangeDevice(&found, nullptr, false)))
            Framework::Shutdown();
        break;
    }
    Framework::Pause(false, false);
}

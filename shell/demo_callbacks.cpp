#include "shell/demo_callbacks.h"

#include <cstdio>

#include "framework/framework.h"
#include "shell/demo_run_modes.h"
#include "shell/demo_scenes.h"
#include "shell/device_holder.h"

bool DemoAcceptDevice(const D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                      bool /*windowed*/) {
    IDirect3D9* direct3D = Framework::Direct3D();
    if (caps == nullptr || direct3D == nullptr) {
        return false;
    }
    // The scenes blend into the back buffer after the pixel shader.
    return SUCCEEDED(direct3D->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType, adapterFormat,
                                                 D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING, D3DRTYPE_TEXTURE,
                                                 backBufferFormat));
}

void DemoAdjustSettings(DeviceSettings* settings, const D3DCAPS9* /*caps*/) {
    if (settings == nullptr) {
        return;
    }
    settings->BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if (DemoRunModes::FramesIgnoreWindow()) {
        // The frames go to files (or follow a script), so they keep the size asked for, not
        // what the display leaves of it for a window; -width and -height still apply on top.
        settings->pp.BackBufferWidth = demoScreenWidth;
        settings->pp.BackBufferHeight = demoScreenHeight;
    }
}

HRESULT DemoDeviceCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC* /*backBufferDesc*/) {
    // Which device draws is worth a line whenever it changes (F3, -forceref, or the framework
    // falling back to the reference device); the framework's own notice is a message box,
    // which the demo turns off.
    static D3DDEVTYPE drawing = D3DDEVTYPE_HAL;
    D3DDEVICE_CREATION_PARAMETERS created{};
    if (device != nullptr && SUCCEEDED(device->GetCreationParameters(&created)) &&
        created.DeviceType != drawing) {
        drawing = created.DeviceType;
        std::fprintf(stderr, "quillmoor: drawing with the %s device\n",
                     drawing == D3DDEVTYPE_REF ? "reference (software rasteriser)" : "hardware");
    }
    return S_OK;
}

HRESULT DemoDeviceReset(IDirect3DDevice9* device, const D3DSURFACE_DESC* /*backBufferDesc*/) {
    DeviceHolder::Get()->device = device;
    return S_OK;
}

void DemoDeviceLost() {
    DeviceHolder::Get()->device = Framework::Device();
}

// The demo itself keeps nothing per device; a trace run lets go of its tracing device.
void DemoDeviceDestroyed() {
    DemoRunModes::DeviceDestroyed();
}

void DemoFrameMove(IDirect3DDevice9* device, double /*time*/, float /*elapsedTime*/) {
    DeviceHolder::Get()->device = DemoRunModes::FrameDevice(device);
}

void DemoFrameRender(IDirect3DDevice9* device, double /*time*/, float /*elapsedTime*/) {
    DeviceHolder::Get()->device = DemoRunModes::FrameDevice(device);
    if (!DemoRunModes::BeginFrame()) {
        return;
    }
    DemoScenes::Timeline().Dispatch();
}

void DemoKeyboard(UINT /*key*/, bool /*keyDown*/, bool /*altDown*/) {}

namespace {

// The messages on which the framework would size the back buffer anew: window size changes
// and the hot keys that re-match the device (whose windowed size is clamped to the display).
bool ResizesTheDevice(UINT message, WPARAM wParam, LPARAM lParam) {
    constexpr LPARAM altDown = LPARAM{1} << 29;
    constexpr WPARAM enter = 13;
    switch (message) {
    case WM_SIZE:
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        return true;
    case WM_KEYDOWN:
        return wParam == VK_F3;
    case WM_SYSCHAR:
        return wParam == enter && (lParam & altDown) != 0;
    default:
        return false;
    }
}

} // namespace

LRESULT DemoMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM lParam, bool* noFurtherProcessing) {
    if (noFurtherProcessing != nullptr && DemoRunModes::FramesIgnoreWindow() &&
        ResizesTheDevice(message, wParam, lParam)) {
        *noFurtherProcessing = true;
    }
    return 0;
}

void DemoRegisterCallbacks() {
    Framework::SetCallbackDeviceCreated(DemoDeviceCreated);
    Framework::SetCallbackDeviceReset(DemoDeviceReset);
    Framework::SetCallbackDeviceLost(DemoDeviceLost);
    Framework::SetCallbackDeviceDestroyed(DemoDeviceDestroyed);
    Framework::SetCallbackMessage(DemoMessage);
    Framework::SetCallbackKeyboard(DemoKeyboard);
    Framework::SetCallbackFrameRender(DemoFrameRender);
    Framework::SetCallbackFrameMove(DemoFrameMove);
}

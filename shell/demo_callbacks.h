#pragma once
// The demo's framework callbacks. They keep the device holder pointing at the framework's
// current device and, once per frame, run the timeline.

#include "framework/framework_callbacks.h"

// The demo's screen: the back-buffer size it asks for, and the size of the frames a capture
// or screenshot run writes unless -width or -height says otherwise.
constexpr UINT demoScreenWidth = 800;
constexpr UINT demoScreenHeight = 600;

bool DemoAcceptDevice(const D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                      bool windowed);
void DemoAdjustSettings(DeviceSettings* settings, const D3DCAPS9* caps);
HRESULT DemoDeviceCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBufferDesc);
HRESULT DemoDeviceReset(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBufferDesc);
void DemoDeviceLost();
void DemoDeviceDestroyed();
void DemoFrameMove(IDirect3DDevice9* device, double time, float elapsedTime);
void DemoFrameRender(IDirect3DDevice9* device, double time, float elapsedTime);
void DemoKeyboard(UINT key, bool keyDown, bool altDown);
LRESULT DemoMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* noFurtherProcessing);

// Registers every callback above except the two device-settings ones, which the demo hands
// to Framework::CreateDevice.
void DemoRegisterCallbacks();

#pragma once
// The application's hooks into the framework. A null entry is skipped.

#include "framework/device_settings.h"
#include "platform/d3d9/d3d9.h"

using AcceptDeviceCallback = bool (*)(const D3DCAPS9* caps, D3DFORMAT adapterFormat,
                                      D3DFORMAT backBufferFormat, bool windowed);
using AdjustSettingsCallback = void (*)(DeviceSettings* settings, const D3DCAPS9* caps);
using DeviceCreatedCallback = HRESULT (*)(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBufferDesc);
using DeviceResetCallback = HRESULT (*)(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBufferDesc);
using DeviceLostCallback = void (*)();
using DeviceDestroyedCallback = void (*)();
using FrameMoveCallback = void (*)(IDirect3DDevice9* device, double time, float elapsedTime);
using FrameRenderCallback = void (*)(IDirect3DDevice9* device, double time, float elapsedTime);
using KeyboardCallback = void (*)(UINT key, bool keyDown, bool altDown);
using MouseCallback = void (*)(bool left, bool right, bool middle, bool side1, bool side2, int wheelDelta,
                               int x, int y);
using MessageCallback = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    bool* noFurtherProcessing);

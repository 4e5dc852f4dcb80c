#pragma once
// The application framework: window, Direct3D device, main loop, command line and hot
// keys. The application registers its callbacks, then calls Init, OpenWindow,
// CreateDevice and Run in that order (each later step runs the earlier ones with
// defaults when they were skipped), and returns ExitCode from its entry point.

#include "framework/device_settings.h"
#include "framework/framework_callbacks.h"
#include "framework/framework_errors.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/win32.h"

namespace Framework {

// Callback registration; each replaces the previous entry of its kind.
void SetCallbackDeviceCreated(DeviceCreatedCallback callback);
void SetCallbackDeviceReset(DeviceResetCallback callback);
void SetCallbackDeviceLost(DeviceLostCallback callback);
void SetCallbackDeviceDestroyed(DeviceDestroyedCallback callback);
void SetCallbackFrameMove(FrameMoveCallback callback);
void SetCallbackFrameRender(FrameRenderCallback callback);
void SetCallbackKeyboard(KeyboardCallback callback);
void SetCallbackMouse(MouseCallback callback);
void SetCallbackMessage(MessageCallback callback);

void SetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen);
void SetConstantFrameTime(bool enabled, float secondsPerFrame);

HRESULT Init(bool parseCommandLine, bool handleDefaultHotKeys, bool showErrorBoxes);
HRESULT OpenWindow(LPCWSTR title, HINSTANCE instance, HICON icon, HMENU menu, int x, int y);
HRESULT CreateDevice(UINT adapterOrdinal, bool windowed, int suggestedWidth, int suggestedHeight,
                     AcceptDeviceCallback acceptDevice, AdjustSettingsCallback adjustSettings);
HRESULT ChangeDevice(const DeviceSettings* newSettings, IDirect3DDevice9* applicationDevice,
                     bool forceRecreate);
HRESULT FindDeviceSettings(DeviceSettings* output, const DeviceSettings* request, const MatchRules* rules);
HRESULT Run(HACCEL accelerators);
void RenderFrame();
void Pause(bool pauseTime, bool pauseRendering);
void Shutdown();
void ReportError(HRESULT code);

// Toggles driven by the hot keys (Alt+Enter, F3).
HRESULT ToggleFullScreen();
HRESULT ToggleReferenceRasterizer();

// The framework window procedure.
LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

IDirect3DDevice9* Device();
IDirect3D9* Direct3D();
int ExitCode();
bool IsWindowed();
HWND Window();
// Frames stepped so far (presented or not).
int FrameCount();

} // namespace Framework

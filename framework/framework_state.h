#pragma once
// The framework's single global record. Fields are the framework's business; the
// application goes through the calls in framework.h. Tests read and prepare it directly.

#include <mutex>

#include "framework/command_line.h"
#include "framework/device_settings.h"
#include "framework/framework_callbacks.h"
#include "platform/d3d9/d3d9.h"

class DeviceCatalogue;

struct FrameworkState {
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
    DeviceCatalogue* catalogue = nullptr;
    DeviceSettings* currentSettings = nullptr;
    D3DSURFACE_DESC backBufferDesc{};
    D3DCAPS9 caps{};
    HWND focusWindow = nullptr;
    HWND fullScreenWindow = nullptr;
    HWND windowedWindow = nullptr;
    HMONITOR adapterMonitor = nullptr;
    double time = 0.0;
    float elapsedTime = 0.0f;
    DWORD windowedStyle = 0;
    RECT windowedClientRect{};
    RECT fullScreenClientRect{};
    RECT windowedWindowRect{};
    int frameCount = 0;
    bool handleDefaultHotKeys = false;
    bool showErrorBoxes = true;
    bool clipCursorWhenFullScreen = false;
    bool showCursorWhenFullScreen = false;
    bool constantFrameTime = false;
    float timePerFrame = 0.0f;
    bool wireframe = false;
    bool autoChangeAdapter = true;
    bool windowPositionDefaulted = false;
    int exitCode = 0;
    bool initDone = false;
    bool windowCreated = false;
    bool deviceReady = false;
    bool initCalled = false;
    bool windowCreateCalled = false;
    bool deviceCreateCalled = false;
    bool deviceObjectsCreated = false;
    bool deviceObjectsReset = false;
    bool insideDeviceCallback = false;
    bool insideMainLoop = false;
    bool active = true;
    bool timePaused = false;
    bool renderingPaused = false;
    int pauseRenderingCount = 0;
    int pauseTimeCount = 0;
    bool deviceIsLost = false;
    bool minimized = false;
    bool maximized = false;
    bool ignoreSizeChange = false;
    CommandLineOverrides overrides;

    AcceptDeviceCallback acceptDevice = nullptr;
    AdjustSettingsCallback adjustSettings = nullptr;
    DeviceCreatedCallback deviceCreated = nullptr;
    DeviceResetCallback deviceReset = nullptr;
    DeviceLostCallback deviceLost = nullptr;
    DeviceDestroyedCallback deviceDestroyed = nullptr;
    FrameMoveCallback frameMove = nullptr;
    FrameRenderCallback frameRender = nullptr;
    KeyboardCallback keyboard = nullptr;
    MouseCallback mouse = nullptr;
    MessageCallback message = nullptr;

    wchar_t windowTitle[256] = {};

    // The state lock: taken only while useStateLock is set, which follows the device's
    // D3DCREATE_MULTITHREADED flag.
    std::recursive_mutex lock;
    bool useStateLock = true;

    // The global record, created on first use and shut down at process exit.
    static FrameworkState& Get();
    // Shuts the framework down and starts over from a fresh record (tests only).
    static void ResetForTest();
};

// Holds the state lock for a scope when the lock is in use.
class StateLock {
  public:
    StateLock();
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

  private:
    bool locked;
};

// Callback registration, Init and OpenWindow, and the accessors.
#include <algorithm>
#include <cwchar>

#include "framework/frame_timer.h"
#include "framework/framework_internal.h"
#include "platform/d3dx9/d3dx9.h"

using FrameworkInternal::State;

namespace {

constexpr const wchar_t* WindowClassName = L"Direct3DWindowClass";
constexpr int DefaultClientWidth = 640;
constexpr int DefaultClientHeight = 480;

template <typename Callback> void Store(Callback FrameworkState::*field, Callback callback) {
    StateLock lock;
    State().*field = callback;
}

} // namespace

void Framework::SetCallbackDeviceCreated(DeviceCreatedCallback c) {
    Store(&FrameworkState::deviceCreated, c);
}
void Framework::SetCallbackDeviceReset(DeviceResetCallback c) {
    Store(&FrameworkState::deviceReset, c);
}
void Framework::SetCallbackDeviceLost(DeviceLostCallback c) {
    Store(&FrameworkState::deviceLost, c);
}
void Framework::SetCallbackDeviceDestroyed(DeviceDestroyedCallback c) {
    Store(&FrameworkState::deviceDestroyed, c);
}
void Framework::SetCallbackFrameMove(FrameMoveCallback c) {
    Store(&FrameworkState::frameMove, c);
}
void Framework::SetCallbackFrameRender(FrameRenderCallback c) {
    Store(&FrameworkState::frameRender, c);
}
void Framework::SetCallbackKeyboard(KeyboardCallback c) {
    Store(&FrameworkState::keyboard, c);
}
void Framework::SetCallbackMouse(MouseCallback c) {
    Store(&FrameworkState::mouse, c);
}
void Framework::SetCallbackMessage(MessageCallback c) {
    Store(&FrameworkState::message, c);
}

void Framework::SetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen) {
    StateLock lock;
    State().showCursorWhenFullScreen = showCursorWhenFullScreen;
    State().clipCursorWhenFullScreen = clipCursorWhenFullScreen;
}

void Framework::SetConstantFrameTime(bool enabled, float secondsPerFrame) {
    StateLock lock;
    FrameworkState& state = State();
    if (state.overrides.overrideConstantFrameTime) {
        enabled = true;
        secondsPerFrame = state.overrides.overrideTimePerFrame;
    }
    state.constantFrameTime = enabled;
    state.timePerFrame = secondsPerFrame;
}

HRESULT Framework::Init(bool parseCommandLine, bool handleDefaultHotKeys, bool showErrorBoxes) {
    FrameworkState& state = State();
    state.initCalled = true;
    InitCommonControls();
    // The winmm timer resolution request of the original platform; the Linux scheduler
    // needs none, and there is no system directory to load it from.
    timeBeginPeriod(1);
    state.showErrorBoxes = showErrorBoxes;
    state.handleDefaultHotKeys = handleDefaultHotKeys;
    if (parseCommandLine) {
        CommandLine::Parse(GetCommandLineW(), &state.overrides);
        if (state.overrides.noErrorMessageBoxes)
            state.showErrorBoxes = false;
        if (state.overrides.overrideConstantFrameTime)
            SetConstantFrameTime(true, state.overrides.overrideTimePerFrame);
    }
    if (!D3DXCheckVersion(D3D_SDK_VERSION, D3DX_SDK_VERSION)) {
        ReportError(FrameworkError::IncorrectVersion);
        return FrameworkError::IncorrectVersion;
    }
    if (!state.direct3D) {
        // The Direct3D library is part of this program; no DLL to load.
        state.direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (!state.direct3D) {
            ReportError(FrameworkError::NoDirect3D);
            return FrameworkError::NoDirect3D;
        }
    }
    FrameTimer::Get().Reset();
    state.initDone = true;
    return S_OK;
}

HRESULT Framework::OpenWindow(LPCWSTR title, HINSTANCE instance, HICON icon, HMENU menu, int x, int y) {
    FrameworkState& state = State();
    if (state.insideDeviceCallback)
        return E_FAIL;
    state.windowCreateCalled = true;
    if (!state.initDone) {
        if (state.initCalled)
            return E_FAIL;
        HRESULT hr = Init(true, true, true);
        if (FAILED(hr))
            return hr;
    }
    if (state.focusWindow)
        return S_OK;

    if (!instance)
        instance = GetModuleHandleW(nullptr);
    if (!icon) {
        wchar_t exePath[1024];
        if (GetModuleFileNameW(nullptr, exePath, 1024) > 0)
            icon = ExtractIconW(instance, exePath, 0);
    }
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = Framework::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = WindowClassName;
    if (!RegisterClassW(&windowClass)) {
        DWORD error = GetLastError();
        if (error != ERROR_CLASS_ALREADY_EXISTS)
            return HRESULT_FROM_WIN32(error);
    }

    state.windowedStyle = WS_OVERLAPPEDWINDOW;
    if (state.overrides.overrideStartX != -1)
        x = state.overrides.overrideStartX;
    if (state.overrides.overrideStartY != -1)
        y = state.overrides.overrideStartY;
    state.windowPositionDefaulted = x == CW_USEDEFAULT && y == CW_USEDEFAULT;

    // Only positive sizes count as an override; zero or less means none.
    int clientWidth = state.overrides.overrideWidth > 0 ? state.overrides.overrideWidth : DefaultClientWidth;
    int clientHeight =
        state.overrides.overrideHeight > 0 ? state.overrides.overrideHeight : DefaultClientHeight;
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&outer, state.windowedStyle, menu != nullptr);

    const wchar_t* safeTitle = title ? title : L"";
    size_t length = std::min<size_t>(std::wcslen(safeTitle), 255);
    std::wmemcpy(state.windowTitle, safeTitle, length);
    state.windowTitle[length] = L'\0';

    HWND window =
        CreateWindowW(WindowClassName, state.windowTitle, state.windowedStyle, x, y, outer.right - outer.left,
                      outer.bottom - outer.top, nullptr, menu, instance, nullptr);
    if (!window) {
        DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    GetClientRect(window, &state.windowedClientRect);
    GetWindowRect(window, &state.windowedWindowRect);
    state.windowCreated = true;
    state.focusWindow = state.fullScreenWindow = state.windowedWindow = window;
    return S_OK;
}

IDirect3DDevice9* Framework::Device() {
    StateLock lock;
    return State().device;
}

IDirect3D9* Framework::Direct3D() {
    StateLock lock;
    return State().direct3D;
}

int Framework::ExitCode() {
    StateLock lock;
    return State().exitCode;
}

bool Framework::IsWindowed() {
    StateLock lock;
    return State().currentSettings && State().currentSettings->pp.Windowed;
}

HWND Framework::Window() {
    StateLock lock;
    return IsWindowed() ? State().windowedWindow : State().fullScreenWindow;
}

int Framework::FrameCount() {
    StateLock lock;
    return State().frameCount;
}

bool FrameworkInternal::FullScreenNow() {
    return State().currentSettings && !State().currentSettings->pp.Windowed;
}

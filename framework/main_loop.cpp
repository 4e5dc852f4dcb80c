// The main loop, the per-frame step and pausing.
#include <algorithm>

#include "framework/frame_timer.h"
#include "framework/framework_internal.h"

using namespace FrameworkInternal;

namespace {

constexpr DWORD PausedOrLostSleepMs = 100;
constexpr DWORD InactiveSleepMs = 20;
constexpr DWORD StillLostSleepMs = 50;

void ProposeExitCodeOne() {
    if (State().exitCode == 0)
        State().exitCode = 1;
}

// Brings a lost device back; false when this pass should not render.
bool RecoverLostDevice() {
    FrameworkState& state = State();
    HRESULT hr = state.device->TestCooperativeLevel();
    if (SUCCEEDED(hr)) {
        state.deviceIsLost = false;
        return true;
    }
    if (hr == D3DERR_DEVICELOST) {
        Sleep(StillLostSleepMs);
        return false;
    }
    const DeviceSettings& current = *state.currentSettings;
    if (current.pp.Windowed) {
        D3DDISPLAYMODE desktop{};
        state.direct3D->GetAdapterDisplayMode(current.AdapterOrdinal, &desktop);
        if (desktop.Format != current.AdapterFormat) {
            DeviceSettings request = current;
            request.AdapterFormat = desktop.Format;
            MatchRules rules{MatchRule::Keep,    MatchRule::Keep,    MatchRule::Keep,    MatchRule::Keep,
                             MatchRule::Closest, MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                             MatchRule::Closest, MatchRule::Closest, MatchRule::Closest, MatchRule::Closest,
                             MatchRule::Closest, MatchRule::Closest, MatchRule::Closest};
            DeviceSettings found{};
            if (FAILED(Framework::FindDeviceSettings(&found, &request, &rules))) {
                Framework::ReportError(FrameworkError::NoCompatibleDevices);
                Framework::Shutdown();
                return false;
            }
            if (FAILED(Framework::ChangeDevice(&found, nullptr, false)))
                Framework::Shutdown();
            return false;
        }
    }
    hr = ResetDevice();
    if (hr == FrameworkError::MediaNotFound || hr == FrameworkError::ResettingDeviceObjects) {
        Framework::ReportError(hr);
        Framework::Shutdown();
        return false;
    }
    if (hr == D3DERR_DEVICELOST) {
        Sleep(StillLostSleepMs);
        return false;
    }
    if (FAILED(hr)) {
        DeviceSettings settings = current;
        if (FAILED(Framework::ChangeDevice(&settings, nullptr, true))) {
            Framework::Shutdown();
            return false;
        }
    }
    state.deviceIsLost = false;
    return true;
}

} // namespace

void Framework::Pause(bool pauseTime, bool pauseRendering) {
    StateLock lock;
    FrameworkState& state = State();
    state.pauseTimeCount = std::max(0, state.pauseTimeCount + (pauseTime ? 1 : -1));
    state.pauseRenderingCount = std::max(0, state.pauseRenderingCount + (pauseRendering ? 1 : -1));
    if (state.pauseTimeCount > 0)
        FrameTimer::Get().Stop();
    else
        FrameTimer::Get().Start();
    state.timePaused = state.pauseTimeCount > 0;
    state.renderingPaused = state.pauseRenderingCount > 0;
}

void Framework::RenderFrame() {
    FrameworkState& state = State();
    if (!state.device)
        return;
    if (state.deviceIsLost || state.renderingPaused)
        Sleep(PausedOrLostSleepMs);
    if (!state.active)
        Sleep(InactiveSleepMs);
    if (state.deviceIsLost && !state.renderingPaused) {
        if (!RecoverLostDevice())
            return;
        if (!state.device)
            return;
    }

    FrameTimer& timer = FrameTimer::Get();
    double time = timer.Time();
    float elapsed = static_cast<float>(timer.ElapsedTime());
    if (state.constantFrameTime) {
        elapsed = state.timePerFrame;
        time = state.time + state.timePerFrame;
    }
    state.time = time;
    state.elapsedTime = elapsed;

    // The settings dialog would be drawn here instead while it shows; there is none.
    if (state.frameMove) {
        state.frameMove(state.device, time, elapsed);
        if (!state.device)
            return;
    }
    if (!state.renderingPaused && state.frameRender) {
        state.frameRender(state.device, time, elapsed);
        if (!state.device)
            return;
    }
    if (!state.renderingPaused) {
        HRESULT hr = state.device->Present(nullptr, nullptr, nullptr, nullptr);
        if (hr == D3DERR_DEVICELOST || hr == D3DERR_DRIVERINTERNALERROR)
            state.deviceIsLost = true;
    }
    state.frameCount += 1;
    int quitAfter = state.overrides.overrideQuitAfterFrame;
    if (quitAfter != 0 && state.frameCount > quitAfter)
        Shutdown();
}

HRESULT Framework::Run(HACCEL accelerators) {
    FrameworkState& state = State();
    if (state.insideDeviceCallback || state.insideMainLoop) {
        ProposeExitCodeOne();
        return E_FAIL;
    }
    state.insideMainLoop = true;
    if (!state.device) {
        if (state.deviceCreateCalled) {
            ProposeExitCodeOne();
            return E_FAIL;
        }
        HRESULT hr = CreateDevice(0, true, 640, 480, nullptr, nullptr);
        if (FAILED(hr)) {
            ProposeExitCodeOne();
            return hr;
        }
    }
    if (!state.initDone || !state.windowCreated || !state.deviceReady) {
        ProposeExitCodeOne();
        return E_FAIL;
    }

    MSG message{};
    message.message = WM_NULL;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    while (message.message != WM_QUIT) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            HWND window = Window();
            if (!accelerators || !window || !TranslateAcceleratorW(window, accelerators, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        } else {
            RenderFrame();
        }
    }
    if (accelerators)
        DestroyAcceleratorTable(accelerators);
    state.insideMainLoop = false;
    return S_OK;
}

#pragma once
// Steps the framework's own files share: device life cycle, window checks, overrides.

#include "framework/framework.h"
#include "framework/framework_state.h"

namespace FrameworkInternal {

inline FrameworkState& State() {
    return FrameworkState::Get();
}

// True when the current settings are full-screen.
bool FullScreenNow();

HRESULT CreateDeviceObjects();
HRESULT ResetDevice();
void ReleaseDevice(bool releaseSettings);
void UpdateDeviceState();
void SwitchWindowStyle(bool windowed);
void CheckWindowSize();
void CheckMonitor();
HRESULT SetDeviceCursor(IDirect3DDevice9* device, HCURSOR cursor);

// The command-line overrides on a device request and its rules, and on the final
// settings of the first device.
void ApplyOverridesToRequest(DeviceSettings* request, MatchRules* rules);
void ApplyOverridesToSettings(DeviceSettings* settings);

// Runs an application device callback with insideDeviceCallback set.
template <typename Call> auto InsideDeviceCallback(Call call) {
    FrameworkState& state = State();
    bool outer = state.insideDeviceCallback;
    state.insideDeviceCallback = true;
    struct Restore {
        FrameworkState& state;
        bool outer;
        ~Restore() { state.insideDeviceCallback = outer; }
    } restore{state, outer};
    return call();
}

} // namespace FrameworkInternal

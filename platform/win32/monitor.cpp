// Monitors are SDL displays.
#include "platform/win32/platform_window.h"

HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
    if (!Win32Platform::EnsureVideo() || SDL_GetNumVideoDisplays() < 1)
        return nullptr;
    bool live = false;
    for (int i = 0; i < Win32Platform::WindowCount(); ++i)
        live = live || Win32Platform::WindowAt(i) == window;
    int index = live ? SDL_GetWindowDisplayIndex(window->sdlWindow) : -1;
    if (index < 0) {
        if (flags == MONITOR_DEFAULTTONULL)
            return nullptr;
        index = 0;
    }
    return Win32Platform::MonitorFromDisplayIndex(index);
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
    int index = Win32Platform::DisplayIndexFromMonitor(monitor);
    if (!info || !Win32Platform::EnsureVideo() || index < 0 || index >= SDL_GetNumVideoDisplays())
        return FALSE;
    SDL_Rect bounds{}, usable{};
    if (SDL_GetDisplayBounds(index, &bounds) != 0)
        return FALSE;
    if (SDL_GetDisplayUsableBounds(index, &usable) != 0)
        usable = bounds;
    info->rcMonitor = RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    info->rcWork = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
    info->dwFlags = index == 0 ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

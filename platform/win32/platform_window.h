#pragma once
// The window object behind an HWND, and the SDL helpers the rest of platform/ shares.
// Only code inside platform/ includes this header (it brings in SDL).

#include <SDL.h>

#include <string>

#include "platform/win32/win32.h"

struct PlatformWindow {
    // Created with SDL_WINDOW_OPENGL so that the Direct3D device can make its GL context on it.
    SDL_Window* sdlWindow = nullptr;
    WNDPROC windowProc = nullptr;
    std::wstring className;
    UINT classStyle = 0;
    HCURSOR classCursor = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    // Last client size and position the platform set or reported, to tell the window
    // manager's moves and resizes apart from our own.
    int knownX = 0;
    int knownY = 0;
    int knownWidth = 0;
    int knownHeight = 0;
    bool needsPaint = false;
};

namespace Win32Platform {

// Brings up SDL's video subsystem once; false when no video driver works.
bool EnsureVideo();
bool VideoReady();

// The window object of an SDL window id, or null.
HWND WindowFromSdlId(Uint32 id);
// Every live window, oldest first.
int WindowCount();
HWND WindowAt(int index);

// Monitors are SDL displays: the handle of display i is i + 1, so the Direct3D adapter i
// and the monitor of display i agree.
inline HMONITOR MonitorFromDisplayIndex(int index) {
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
}
inline int DisplayIndexFromMonitor(HMONITOR monitor) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(monitor)) - 1;
}

// Thickness of the frame that AdjustWindowRect adds for a style (left, top, right, bottom).
RECT FrameInsets(DWORD style, BOOL menu);

// True when a message of that kind for that window waits in the queue (no SDL pumping).
bool HasPostedMessage(HWND window, UINT message);

// Drops the queued messages of a window being destroyed.
void ForgetWindowMessages(HWND window);

// Translates one SDL event into posted messages.
void TranslateSdlEvent(const SDL_Event& event);

} // namespace Win32Platform

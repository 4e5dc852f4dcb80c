// Window classes and windows on SDL windows. The frame the platform would draw around a
// client area is modelled with fixed thicknesses, so window and client rectangles relate
// as AdjustWindowRect says; SDL positions and sizes are those of the client area.
#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/fs/windows_path.h"
#include "platform/win32/platform_window.h"

namespace {

constexpr LONG SizingFrame = 8; // sizing border including padding
constexpr LONG FixedFrame = 3;  // dialog frame
constexpr LONG ThinBorder = 1;  // plain border
constexpr LONG CaptionHeight = 23;
constexpr LONG MenuHeight = 20;

struct WindowClass {
    std::wstring name;
    WNDCLASSW description;
};

std::vector<WindowClass>& Classes() {
    static auto* classes = new std::vector<WindowClass>; // outlives every static destructor
    return *classes;
}

std::vector<HWND>& Windows() {
    static auto* windows = new std::vector<HWND>;
    return *windows;
}

bool SameClassName(const std::wstring& a, LPCWSTR b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return i == a.size() && b[i] == L'\0';
}

WindowClass* FindClass(LPCWSTR name) {
    if (!name)
        return nullptr;
    for (auto& windowClass : Classes())
        if (SameClassName(windowClass.name, name))
            return &windowClass;
    return nullptr;
}

bool Live(HWND window) {
    if (!window)
        return false;
    auto& windows = Windows();
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

void ApplyStyle(HWND window, DWORD oldStyle) {
    SDL_SetWindowBordered(window->sdlWindow, (window->style & WS_CAPTION) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(window->sdlWindow, (window->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    if ((window->style & WS_VISIBLE) && !(oldStyle & WS_VISIBLE))
        SDL_ShowWindow(window->sdlWindow);
    else if (!(window->style & WS_VISIBLE) && (oldStyle & WS_VISIBLE))
        SDL_HideWindow(window->sdlWindow);
}

} // namespace

namespace Win32Platform {

RECT FrameInsets(DWORD style, BOOL menu) {
    LONG border = 0;
    if (style & WS_THICKFRAME)
        border = SizingFrame;
    else if ((style & WS_DLGFRAME) || (style & WS_CAPTION) == WS_CAPTION)
        border = FixedFrame;
    else if (style & WS_BORDER)
        border = ThinBorder;
    LONG top = border;
    if ((style & WS_CAPTION) == WS_CAPTION)
        top += CaptionHeight;
    if (menu)
        top += MenuHeight;
    return RECT{border, top, border, border};
}

HWND WindowFromSdlId(Uint32 id) {
    for (HWND window : Windows())
        if (window->sdlWindow && SDL_GetWindowID(window->sdlWindow) == id)
            return window;
    return nullptr;
}

int WindowCount() {
    return static_cast<int>(Windows().size());
}
HWND WindowAt(int index) {
    return Windows()[static_cast<size_t>(index)];
}

} // namespace Win32Platform

using Win32Platform::FrameInsets;

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass entry{windowClass->lpszClassName, *windowClass};
    entry.description.lpszClassName = nullptr; // the copy in `name` is the one kept
    entry.description.lpszMenuName = nullptr;
    Classes().push_back(std::move(entry));
    return static_cast<ATOM>(0xC000 + Classes().size());
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    WindowClass* windowClass = FindClass(className);
    if (!windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (HWND window : Windows())
        if (SameClassName(window->className, className)) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    auto& classes = Classes();
    classes.erase(classes.begin() + (windowClass - classes.data()));
    return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) {
    if (!rect)
        return FALSE;
    RECT insets = FrameInsets(style, menu);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU menu, HINSTANCE instance, LPVOID) {
    WindowClass* windowClass = FindClass(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (!Win32Platform::EnsureVideo()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    RECT insets = FrameInsets(style, menu != nullptr);
    int clientWidth =
        width == CW_USEDEFAULT ? 640 : std::max(1, width - static_cast<int>(insets.left + insets.right));
    int clientHeight =
        height == CW_USEDEFAULT ? 480 : std::max(1, height - static_cast<int>(insets.top + insets.bottom));
    int clientX = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x + insets.left;
    int clientY = (x == CW_USEDEFAULT || y == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED)
                                                             : y + insets.top;
    Uint32 flags = SDL_WINDOW_OPENGL | ((style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
    if (style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    if (!(style & WS_CAPTION))
        flags |= SDL_WINDOW_BORDERLESS;
    std::string title = WindowsPath::Narrow(windowName ? windowName : L"");
    SDL_Window* sdlWindow =
        SDL_CreateWindow(title.c_str(), clientX, clientY, clientWidth, clientHeight, flags);
    if (!sdlWindow) {
        SDL_Log("CreateWindow: %s", SDL_GetError());
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto* window = new PlatformWindow;
    window->sdlWindow = sdlWindow;
    window->windowProc = windowClass->description.lpfnWndProc;
    window->className = windowClass->name;
    window->classStyle = windowClass->description.style;
    window->classCursor = windowClass->description.hCursor;
    window->style = style;
    window->exStyle = exStyle;
    window->menu = menu;
    window->instance = instance;
    SDL_GetWindowPosition(sdlWindow, &window->knownX, &window->knownY);
    SDL_GetWindowSize(sdlWindow, &window->knownWidth, &window->knownHeight);
    Windows().push_back(window);

    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    if (limits.ptMinTrackSize.x > 0 || limits.ptMinTrackSize.y > 0)
        SDL_SetWindowMinimumSize(
            sdlWindow, std::max(1, static_cast<int>(limits.ptMinTrackSize.x - insets.left - insets.right)),
            std::max(1, static_cast<int>(limits.ptMinTrackSize.y - insets.top - insets.bottom)));
    if (!Live(window))
        return nullptr;
    SendMessageW(window, WM_CREATE, 0, 0);
    return Live(window) ? window : nullptr;
}

BOOL DestroyWindow(HWND window) {
    if (!Live(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    SendMessageW(window, WM_DESTROY, 0, 0);
    auto& windows = Windows();
    auto it = std::find(windows.begin(), windows.end(), window);
    if (it == windows.end())
        return TRUE; // destroyed again from inside its own WM_DESTROY
    windows.erase(it);
    Win32Platform::ForgetWindowMessages(window);
    // A Direct3D device made on this window may outlive it; it notices the SDL window is
    // gone and cleans up on the shared root context instead.
    SDL_DestroyWindow(window->sdlWindow);
    delete window;
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return Live(window) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    return Live(window) && (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
    return Live(window) && (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_MINIMIZED) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window) {
    return Live(window) && (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_MAXIMIZED) ? TRUE : FALSE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!Live(window) || !rect)
        return FALSE;
    int width = 0, height = 0;
    SDL_GetWindowSize(window->sdlWindow, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!Live(window) || !rect)
        return FALSE;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(window->sdlWindow, &x, &y);
    SDL_GetWindowSize(window->sdlWindow, &width, &height);
    *rect = RECT{x, y, x + width, y + height};
    return AdjustWindowRect(rect, window->style, window->menu != nullptr);
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
    if (!Live(window))
        return FALSE;
    RECT insets = FrameInsets(window->style, window->menu != nullptr);
    bool sized = false, moved = false;
    if (!(flags & SWP_NOSIZE)) {
        int width = std::max(1, cx - static_cast<int>(insets.left + insets.right));
        int height = std::max(1, cy - static_cast<int>(insets.top + insets.bottom));
        sized = width != window->knownWidth || height != window->knownHeight;
        SDL_SetWindowSize(window->sdlWindow, width, height);
        SDL_GetWindowSize(window->sdlWindow, &window->knownWidth, &window->knownHeight);
    }
    if (!(flags & SWP_NOMOVE)) {
        int clientX = x + insets.left, clientY = y + insets.top;
        moved = clientX != window->knownX || clientY != window->knownY;
        SDL_SetWindowPosition(window->sdlWindow, clientX, clientY);
        SDL_GetWindowPosition(window->sdlWindow, &window->knownX, &window->knownY);
    }
    if (flags & SWP_SHOWWINDOW) {
        window->style |= WS_VISIBLE;
        SDL_ShowWindow(window->sdlWindow);
    } else if (flags & SWP_HIDEWINDOW) {
        window->style &= ~WS_VISIBLE;
        SDL_HideWindow(window->sdlWindow);
    }
    // The platform tells the window about its new place at once, as it does for a move
    // made by the program itself.
    if (moved && Live(window))
        SendMessageW(window, WM_MOVE, 0, MAKELPARAM(window->knownX, window->knownY));
    if (sized && Live(window))
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(window->knownWidth, window->knownHeight));
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    if (!Live(window))
        return FALSE;
    BOOL wasVisible = (window->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE:
        window->style &= ~WS_VISIBLE;
        SDL_HideWindow(window->sdlWindow);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        window->style |= WS_VISIBLE;
        SDL_ShowWindow(window->sdlWindow);
        SDL_MinimizeWindow(window->sdlWindow);
        break;
    case SW_MAXIMIZE:
        window->style |= WS_VISIBLE;
        SDL_ShowWindow(window->sdlWindow);
        SDL_MaximizeWindow(window->sdlWindow);
        break;
    case SW_RESTORE:
        window->style |= WS_VISIBLE;
        SDL_ShowWindow(window->sdlWindow);
        SDL_RestoreWindow(window->sdlWindow);
        break;
    default:
        window->style |= WS_VISIBLE;
        SDL_ShowWindow(window->sdlWindow);
        break;
    }
    return wasVisible;
}

LONG GetWindowLongW(HWND window, int index) {
    if (!Live(window))
        return 0;
    if (index == GWL_STYLE) {
        DWORD style = window->style;
        Uint32 flags = SDL_GetWindowFlags(window->sdlWindow);
        style = (flags & SDL_WINDOW_MINIMIZED) ? (style | WS_MINIMIZE) : (style & ~WS_MINIMIZE);
        style = (flags & SDL_WINDOW_MAXIMIZED) ? (style | WS_MAXIMIZE) : (style & ~WS_MAXIMIZE);
        return static_cast<LONG>(style);
    }
    if (index == GWL_EXSTYLE)
        return static_cast<LONG>(window->exStyle);
    return 0;
}

LONG SetWindowLongW(HWND window, int index, LONG value) {
    if (!Live(window))
        return 0;
    if (index == GWL_STYLE) {
        DWORD old = window->style;
        window->style = static_cast<DWORD>(value) & ~(WS_MINIMIZE | WS_MAXIMIZE);
        ApplyStyle(window, old);
        return static_cast<LONG>(old);
    }
    if (index == GWL_EXSTYLE) {
        DWORD old = window->exStyle;
        window->exStyle = static_cast<DWORD>(value);
        return static_cast<LONG>(old);
    }
    return 0;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    if (!Live(window))
        return FALSE;
    SDL_SetWindowTitle(window->sdlWindow, WindowsPath::Narrow(text ? text : L"").c_str());
    return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    if (!Live(window) || !point)
        return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdlWindow, &x, &y);
    point->x += x;
    point->y += y;
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
    if (!Live(window) || !point)
        return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdlWindow, &x, &y);
    point->x -= x;
    point->y -= y;
    return TRUE;
}

HMENU GetMenu(HWND window) {
    return Live(window) ? window->menu : nullptr;
}

// Menus are opaque tokens here; there is nothing to free.
BOOL DestroyMenu(HMENU menu) {
    return menu ? TRUE : FALSE;
}

// SDL events as the window messages the platform would post for the same input.
#include <algorithm>
#include <iterator>

#include "platform/win32/platform_window.h"

namespace {

struct KeyMapping {
    SDL_Keycode sdlKey;
    UINT virtualKey;
};

constexpr KeyMapping KeyTable[] = {
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},
    {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_F1, VK_F1},
    {SDLK_F2, VK_F2},
    {SDLK_F3, VK_F3},
    {SDLK_F4, VK_F4},
    {SDLK_F5, VK_F5},
    {SDLK_F6, VK_F6},
    {SDLK_F7, VK_F7},
    {SDLK_F8, VK_F8},
    {SDLK_F9, VK_F9},
    {SDLK_F10, VK_F10},
    {SDLK_F11, VK_F11},
    {SDLK_F12, VK_F12},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},
};

constexpr SDL_Keycode KeypadDigits[] = {SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4,
                                        SDLK_KP_5, SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9};

UINT VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<UINT>('0' + (key - SDLK_0));
    for (size_t i = 0; i < std::size(KeypadDigits); ++i)
        if (KeypadDigits[i] == key)
            return VK_NUMPAD0 + static_cast<UINT>(i);
    for (const KeyMapping& mapping : KeyTable)
        if (mapping.sdlKey == key)
            return mapping.virtualKey;
    return 0;
}

WPARAM MouseKeyState() {
    Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    WPARAM state = 0;
    if (buttons & SDL_BUTTON_LMASK)
        state |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK)
        state |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK)
        state |= MK_MBUTTON;
    if (buttons & SDL_BUTTON_X1MASK)
        state |= MK_XBUTTON1;
    if (buttons & SDL_BUTTON_X2MASK)
        state |= MK_XBUTTON2;
    SDL_Keymod mods = SDL_GetModState();
    if (mods & KMOD_SHIFT)
        state |= MK_SHIFT;
    if (mods & KMOD_CTRL)
        state |= MK_CONTROL;
    return state;
}

void TranslateKey(const SDL_KeyboardEvent& key) {
    HWND window = Win32Platform::WindowFromSdlId(key.windowID);
    if (!window && Win32Platform::WindowCount() > 0)
        window = Win32Platform::WindowAt(0);
    UINT virtualKey = VirtualKeyOf(key.keysym.sym);
    if (!window || !virtualKey)
        return;
    bool down = key.type == SDL_KEYDOWN;
    bool alt = (key.keysym.mod & KMOD_ALT) != 0 || virtualKey == VK_MENU;
    // Alt combinations and F10 are system keys.
    bool system = alt || virtualKey == VK_F10;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.keysym.scancode & 0xFF) << 16);
    if (alt && !(virtualKey == VK_MENU && !down))
        lParam |= KF_ALTDOWN_BIT;
    if (!down || key.repeat)
        lParam |= static_cast<LPARAM>(1) << 30;
    if (!down)
        lParam |= static_cast<LPARAM>(1) << 31;
    PostMessageW(window, message, virtualKey, lParam);
}

void TranslateButton(const SDL_MouseButtonEvent& button) {
    HWND window = Win32Platform::WindowFromSdlId(button.windowID);
    if (!window)
        return;
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    bool doubleClick = down && button.clicks == 2 && (window->classStyle & CS_DBLCLKS);
    UINT message = 0;
    WPARAM extra = 0;
    switch (button.button) {
    case SDL_BUTTON_LEFT:
        message = doubleClick ? WM_LBUTTONDBLCLK : down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        break;
    case SDL_BUTTON_RIGHT:
        message = doubleClick ? WM_RBUTTONDBLCLK : down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    case SDL_BUTTON_MIDDLE:
        message = doubleClick ? WM_MBUTTONDBLCLK : down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    case SDL_BUTTON_X1:
    case SDL_BUTTON_X2:
        message = doubleClick ? WM_XBUTTONDBLCLK : down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
        extra = static_cast<WPARAM>(button.button == SDL_BUTTON_X1 ? XBUTTON1 : XBUTTON2) << 16;
        break;
    default:
        return;
    }
    PostMessageW(window, message, MouseKeyState() | extra, MAKELPARAM(button.x, button.y));
}

void TranslateWheel(const SDL_MouseWheelEvent& wheel) {
    HWND window = Win32Platform::WindowFromSdlId(wheel.windowID);
    if (!window)
        return;
    int delta = wheel.y * WHEEL_DELTA;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
        delta = -delta;
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    POINT point{x, y};
    ClientToScreen(window, &point); // the wheel message carries screen coordinates
    PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeyState()), delta),
                 MAKELPARAM(point.x, point.y));
}

// A move or resize the window manager made (not one we asked for) arrives as a finished
// size-move loop, so the application checks the window once it is over.
void TranslateGeometry(HWND window, const SDL_WindowEvent& event) {
    if (event.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        if (event.data1 == window->knownWidth && event.data2 == window->knownHeight)
            return;
        window->knownWidth = event.data1;
        window->knownHeight = event.data2;
        WPARAM kind =
            (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        PostMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
        PostMessageW(window, WM_SIZE, kind, MAKELPARAM(event.data1, event.data2));
        PostMessageW(window, WM_EXITSIZEMOVE, 0, 0);
    } else {
        if (event.data1 == window->knownX && event.data2 == window->knownY)
            return;
        window->knownX = event.data1;
        window->knownY = event.data2;
        PostMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
        PostMessageW(window, WM_MOVE, 0, MAKELPARAM(event.data1, event.data2));
        PostMessageW(window, WM_EXITSIZEMOVE, 0, 0);
    }
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
    HWND window = Win32Platform::WindowFromSdlId(event.windowID);
    if (!window)
        return;
    int width = 0, height = 0;
    SDL_GetWindowSize(window->sdlWindow, &width, &height);
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        PostMessageW(window, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        PostMessageW(window, WM_ACTIVATEAPP, TRUE, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        PostMessageW(window, WM_ACTIVATEAPP, FALSE, 0);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        window->needsPaint = true;
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        PostMessageW(window, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        window->knownWidth = width;
        window->knownHeight = height;
        PostMessageW(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(width, height));
        break;
    case SDL_WINDOWEVENT_RESTORED:
        window->knownWidth = width;
        window->knownHeight = height;
        PostMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MOVED:
        TranslateGeometry(window, event);
        break;
    default:
        break;
    }
}

} // namespace

namespace Win32Platform {

void TranslateSdlEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKey(event.key);
        break;
    case SDL_MOUSEMOTION: {
        HWND window = WindowFromSdlId(event.motion.windowID);
        if (!window)
            break;
        PostMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        PostMessageW(window, WM_MOUSEMOVE, MouseKeyState(), MAKELPARAM(event.motion.x, event.motion.y));
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        TranslateButton(event.button);
        break;
    case SDL_MOUSEWHEEL:
        TranslateWheel(event.wheel);
        break;
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(event.window);
        break;
    case SDL_QUIT:
        // An interrupt or the session ending: every window is asked to close, once.
        for (int i = 0; i < WindowCount(); ++i)
            if (!HasPostedMessage(WindowAt(i), WM_CLOSE))
                PostMessageW(WindowAt(i), WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

} // namespace Win32Platform

#pragma once
// The part of SDL 2's interface that platform/ uses, for the browser build, where Debian's
// emscripten has no SDL port. platform/browser/sdl_*.cpp implement it on the page: one canvas
// is the screen every window shows on, its events come from the HTML5 event API, and its
// WebGL 2 context is the one GL context of the run. Names and values are SDL's own, so the
// window, message and device code above it is the same code as on the desktop.

#include <cstdint>

using Uint8 = std::uint8_t;
using Uint16 = std::uint16_t;
using Uint32 = std::uint32_t;
using Sint32 = std::int32_t;

enum SDL_bool { SDL_FALSE = 0, SDL_TRUE = 1 };

constexpr Uint32 SDL_INIT_VIDEO = 0x00000020u;
constexpr Uint32 SDL_INIT_AUDIO = 0x00000010u;

int SDL_InitSubSystem(Uint32 flags);
void SDL_QuitSubSystem(Uint32 flags);
const char* SDL_GetError();
void SDL_Log(const char* format, ...);

struct SDL_Rect {
    int x, y, w, h;
};

// Displays: the one screen the page is shown on.
constexpr Uint32 SDL_PIXELFORMAT_RGB555 = 0x15130f02u;
constexpr Uint32 SDL_PIXELFORMAT_RGB565 = 0x15151002u;
constexpr Uint32 SDL_PIXELFORMAT_ARGB8888 = 0x16362004u;
constexpr Uint32 SDL_PIXELFORMAT_ARGB2101010 = 0x16372004u;

struct SDL_DisplayMode {
    Uint32 format;
    int w;
    int h;
    int refresh_rate;
    void* driverdata;
};

int SDL_GetNumVideoDisplays();
int SDL_GetDisplayBounds(int displayIndex, SDL_Rect* rect);
int SDL_GetDisplayUsableBounds(int displayIndex, SDL_Rect* rect);
int SDL_GetNumDisplayModes(int displayIndex);
int SDL_GetDisplayMode(int displayIndex, int modeIndex, SDL_DisplayMode* mode);
int SDL_GetDesktopDisplayMode(int displayIndex, SDL_DisplayMode* mode);
SDL_DisplayMode* SDL_GetClosestDisplayMode(int displayIndex, const SDL_DisplayMode* mode,
                                           SDL_DisplayMode* closest);

// Windows.
struct SDL_Window;

constexpr Uint32 SDL_WINDOW_FULLSCREEN = 0x00000001u;
constexpr Uint32 SDL_WINDOW_OPENGL = 0x00000002u;
constexpr Uint32 SDL_WINDOW_SHOWN = 0x00000004u;
constexpr Uint32 SDL_WINDOW_HIDDEN = 0x00000008u;
constexpr Uint32 SDL_WINDOW_BORDERLESS = 0x00000010u;
constexpr Uint32 SDL_WINDOW_RESIZABLE = 0x00000020u;
constexpr Uint32 SDL_WINDOW_MINIMIZED = 0x00000040u;
constexpr Uint32 SDL_WINDOW_MAXIMIZED = 0x00000080u;
constexpr int SDL_WINDOWPOS_UNDEFINED = 0x1FFF0000;

SDL_Window* SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags);
void SDL_DestroyWindow(SDL_Window* window);
Uint32 SDL_GetWindowID(SDL_Window* window);
SDL_Window* SDL_GetWindowFromID(Uint32 id);
Uint32 SDL_GetWindowFlags(SDL_Window* window);
int SDL_GetWindowDisplayIndex(SDL_Window* window);
void SDL_SetWindowTitle(SDL_Window* window, const char* title);
void SDL_GetWindowPosition(SDL_Window* window, int* x, int* y);
void SDL_SetWindowPosition(SDL_Window* window, int x, int y);
void SDL_GetWindowSize(SDL_Window* window, int* w, int* h);
void SDL_SetWindowSize(SDL_Window* window, int w, int h);
void SDL_SetWindowMinimumSize(SDL_Window* window, int w, int h);
void SDL_SetWindowBordered(SDL_Window* window, SDL_bool bordered);
void SDL_SetWindowResizable(SDL_Window* window, SDL_bool resizable);
void SDL_ShowWindow(SDL_Window* window);
void SDL_HideWindow(SDL_Window* window);
void SDL_MinimizeWindow(SDL_Window* window);
void SDL_MaximizeWindow(SDL_Window* window);
void SDL_RestoreWindow(SDL_Window* window);
int SDL_SetWindowFullscreen(SDL_Window* window, Uint32 flags);
int SDL_SetWindowDisplayMode(SDL_Window* window, const SDL_DisplayMode* mode);
int SDL_SetWindowMouseRect(SDL_Window* window, const SDL_Rect* rect);

// GL contexts: the canvas's WebGL 2 context, shared by every window.
using SDL_GLContext = void*;
enum SDL_GLattr {
    SDL_GL_CONTEXT_MAJOR_VERSION = 17,
    SDL_GL_CONTEXT_MINOR_VERSION = 18,
    SDL_GL_CONTEXT_PROFILE_MASK = 21,
    SDL_GL_SHARE_WITH_CURRENT_CONTEXT = 22,
};
constexpr int SDL_GL_CONTEXT_PROFILE_CORE = 0x0001;

int SDL_GL_SetAttribute(SDL_GLattr attribute, int value);
SDL_GLContext SDL_GL_CreateContext(SDL_Window* window);
void SDL_GL_DeleteContext(SDL_GLContext context);
int SDL_GL_MakeCurrent(SDL_Window* window, SDL_GLContext context);
SDL_GLContext SDL_GL_GetCurrentContext();
SDL_Window* SDL_GL_GetCurrentWindow();
int SDL_GL_SetSwapInterval(int interval);
void SDL_GL_GetDrawableSize(SDL_Window* window, int* w, int* h);
// Shows the frame: the browser composites the canvas once control returns to it, so this
// hands control back until the next frame may be drawn.
void SDL_GL_SwapWindow(SDL_Window* window);

// Keyboard.
using SDL_Keycode = Sint32;
enum SDL_Keymod : Uint16 {
    KMOD_NONE = 0,
    KMOD_LSHIFT = 0x0001,
    KMOD_RSHIFT = 0x0002,
    KMOD_LCTRL = 0x0040,
    KMOD_RCTRL = 0x0080,
    KMOD_LALT = 0x0100,
    KMOD_RALT = 0x0200,
    KMOD_SHIFT = KMOD_LSHIFT | KMOD_RSHIFT,
    KMOD_CTRL = KMOD_LCTRL | KMOD_RCTRL,
    KMOD_ALT = KMOD_LALT | KMOD_RALT,
};

constexpr SDL_Keycode SdlKeyFromScancode(int scancode) {
    return scancode | (1 << 30);
}

constexpr SDL_Keycode SDLK_RETURN = '\r';
constexpr SDL_Keycode SDLK_ESCAPE = 27;
constexpr SDL_Keycode SDLK_BACKSPACE = 8;
constexpr SDL_Keycode SDLK_TAB = 9;
constexpr SDL_Keycode SDLK_SPACE = ' ';
constexpr SDL_Keycode SDLK_DELETE = 127;
constexpr SDL_Keycode SDLK_0 = '0';
constexpr SDL_Keycode SDLK_9 = '9';
constexpr SDL_Keycode SDLK_a = 'a';
constexpr SDL_Keycode SDLK_z = 'z';
constexpr SDL_Keycode SDLK_CAPSLOCK = SdlKeyFromScancode(57);
constexpr SDL_Keycode SDLK_F1 = SdlKeyFromScancode(58);
constexpr SDL_Keycode SDLK_F2 = SdlKeyFromScancode(59);
constexpr SDL_Keycode SDLK_F3 = SdlKeyFromScancode(60);
constexpr SDL_Keycode SDLK_F4 = SdlKeyFromScancode(61);
constexpr SDL_Keycode SDLK_F5 = SdlKeyFromScancode(62);
constexpr SDL_Keycode SDLK_F6 = SdlKeyFromScancode(63);
constexpr SDL_Keycode SDLK_F7 = SdlKeyFromScancode(64);
constexpr SDL_Keycode SDLK_F8 = SdlKeyFromScancode(65);
constexpr SDL_Keycode SDLK_F9 = SdlKeyFromScancode(66);
constexpr SDL_Keycode SDLK_F10 = SdlKeyFromScancode(67);
constexpr SDL_Keycode SDLK_F11 = SdlKeyFromScancode(68);
constexpr SDL_Keycode SDLK_F12 = SdlKeyFromScancode(69);
constexpr SDL_Keycode SDLK_PRINTSCREEN = SdlKeyFromScancode(70);
constexpr SDL_Keycode SDLK_SCROLLLOCK = SdlKeyFromScancode(71);
constexpr SDL_Keycode SDLK_PAUSE = SdlKeyFromScancode(72);
constexpr SDL_Keycode SDLK_INSERT = SdlKeyFromScancode(73);
constexpr SDL_Keycode SDLK_HOME = SdlKeyFromScancode(74);
constexpr SDL_Keycode SDLK_PAGEUP = SdlKeyFromScancode(75);
constexpr SDL_Keycode SDLK_END = SdlKeyFromScancode(77);
constexpr SDL_Keycode SDLK_PAGEDOWN = SdlKeyFromScancode(78);
constexpr SDL_Keycode SDLK_RIGHT = SdlKeyFromScancode(79);
constexpr SDL_Keycode SDLK_LEFT = SdlKeyFromScancode(80);
constexpr SDL_Keycode SDLK_DOWN = SdlKeyFromScancode(81);
constexpr SDL_Keycode SDLK_UP = SdlKeyFromScancode(82);
constexpr SDL_Keycode SDLK_NUMLOCKCLEAR = SdlKeyFromScancode(83);
constexpr SDL_Keycode SDLK_KP_DIVIDE = SdlKeyFromScancode(84);
constexpr SDL_Keycode SDLK_KP_MULTIPLY = SdlKeyFromScancode(85);
constexpr SDL_Keycode SDLK_KP_MINUS = SdlKeyFromScancode(86);
constexpr SDL_Keycode SDLK_KP_PLUS = SdlKeyFromScancode(87);
constexpr SDL_Keycode SDLK_KP_ENTER = SdlKeyFromScancode(88);
constexpr SDL_Keycode SDLK_KP_1 = SdlKeyFromScancode(89);
constexpr SDL_Keycode SDLK_KP_2 = SdlKeyFromScancode(90);
constexpr SDL_Keycode SDLK_KP_3 = SdlKeyFromScancode(91);
constexpr SDL_Keycode SDLK_KP_4 = SdlKeyFromScancode(92);
constexpr SDL_Keycode SDLK_KP_5 = SdlKeyFromScancode(93);
constexpr SDL_Keycode SDLK_KP_6 = SdlKeyFromScancode(94);
constexpr SDL_Keycode SDLK_KP_7 = SdlKeyFromScancode(95);
constexpr SDL_Keycode SDLK_KP_8 = SdlKeyFromScancode(96);
constexpr SDL_Keycode SDLK_KP_9 = SdlKeyFromScancode(97);
constexpr SDL_Keycode SDLK_KP_0 = SdlKeyFromScancode(98);
constexpr SDL_Keycode SDLK_KP_PERIOD = SdlKeyFromScancode(99);
constexpr SDL_Keycode SDLK_LCTRL = SdlKeyFromScancode(224);
constexpr SDL_Keycode SDLK_LSHIFT = SdlKeyFromScancode(225);
constexpr SDL_Keycode SDLK_LALT = SdlKeyFromScancode(226);
constexpr SDL_Keycode SDLK_RCTRL = SdlKeyFromScancode(228);
constexpr SDL_Keycode SDLK_RSHIFT = SdlKeyFromScancode(229);
constexpr SDL_Keycode SDLK_RALT = SdlKeyFromScancode(230);

SDL_Keymod SDL_GetModState();

// Mouse.
constexpr Uint8 SDL_BUTTON_LEFT = 1;
constexpr Uint8 SDL_BUTTON_MIDDLE = 2;
constexpr Uint8 SDL_BUTTON_RIGHT = 3;
constexpr Uint8 SDL_BUTTON_X1 = 4;
constexpr Uint8 SDL_BUTTON_X2 = 5;
constexpr Uint32 SDL_BUTTON_LMASK = 1u << 0;
constexpr Uint32 SDL_BUTTON_MMASK = 1u << 1;
constexpr Uint32 SDL_BUTTON_RMASK = 1u << 2;
constexpr Uint32 SDL_BUTTON_X1MASK = 1u << 3;
constexpr Uint32 SDL_BUTTON_X2MASK = 1u << 4;
constexpr int SDL_ENABLE = 1;
constexpr int SDL_DISABLE = 0;

Uint32 SDL_GetMouseState(int* x, int* y);
Uint32 SDL_GetGlobalMouseState(int* x, int* y);
int SDL_ShowCursor(int toggle);

struct SDL_Surface {
    Uint32 format;
    int w;
    int h;
    int pitch;
    void* pixels;
};
struct SDL_Cursor;

SDL_Surface* SDL_CreateRGBSurfaceWithFormat(Uint32 flags, int width, int height, int depth, Uint32 format);
void SDL_FreeSurface(SDL_Surface* surface);
SDL_Cursor* SDL_CreateColorCursor(SDL_Surface* surface, int hotX, int hotY);
void SDL_SetCursor(SDL_Cursor* cursor);
void SDL_FreeCursor(SDL_Cursor* cursor);

// Events.
enum SDL_EventType : Uint32 {
    SDL_QUIT = 0x100,
    SDL_WINDOWEVENT = 0x200,
    SDL_KEYDOWN = 0x300,
    SDL_KEYUP = 0x301,
    SDL_MOUSEMOTION = 0x400,
    SDL_MOUSEBUTTONDOWN = 0x401,
    SDL_MOUSEBUTTONUP = 0x402,
    SDL_MOUSEWHEEL = 0x403,
};

enum SDL_WindowEventID : Uint8 {
    SDL_WINDOWEVENT_NONE,
    SDL_WINDOWEVENT_SHOWN,
    SDL_WINDOWEVENT_HIDDEN,
    SDL_WINDOWEVENT_EXPOSED,
    SDL_WINDOWEVENT_MOVED,
    SDL_WINDOWEVENT_RESIZED,
    SDL_WINDOWEVENT_SIZE_CHANGED,
    SDL_WINDOWEVENT_MINIMIZED,
    SDL_WINDOWEVENT_MAXIMIZED,
    SDL_WINDOWEVENT_RESTORED,
    SDL_WINDOWEVENT_ENTER,
    SDL_WINDOWEVENT_LEAVE,
    SDL_WINDOWEVENT_FOCUS_GAINED,
    SDL_WINDOWEVENT_FOCUS_LOST,
    SDL_WINDOWEVENT_CLOSE,
};

constexpr Uint32 SDL_MOUSEWHEEL_NORMAL = 0;
constexpr Uint32 SDL_MOUSEWHEEL_FLIPPED = 1;

struct SDL_WindowEvent {
    Uint32 type;
    Uint32 timestamp;
    Uint32 windowID;
    Uint8 event;
    Sint32 data1;
    Sint32 data2;
};

struct SDL_Keysym {
    int scancode;
    SDL_Keycode sym;
    Uint16 mod;
};

struct SDL_KeyboardEvent {
    Uint32 type;
    Uint32 timestamp;
    Uint32 windowID;
    Uint8 state;
    Uint8 repeat;
    SDL_Keysym keysym;
};

struct SDL_MouseMotionEvent {
    Uint32 type;
    Uint32 timestamp;
    Uint32 windowID;
    Uint32 which;
    Uint32 state;
    Sint32 x;
    Sint32 y;
};

struct SDL_MouseButtonEvent {
    Uint32 type;
    Uint32 timestamp;
    Uint32 windowID;
    Uint32 which;
    Uint8 button;
    Uint8 state;
    Uint8 clicks;
    Sint32 x;
    Sint32 y;
};

struct SDL_MouseWheelEvent {
    Uint32 type;
    Uint32 timestamp;
    Uint32 windowID;
    Uint32 which;
    Sint32 x;
    Sint32 y;
    Uint32 direction;
};

union SDL_Event {
    Uint32 type;
    SDL_WindowEvent window;
    SDL_KeyboardEvent key;
    SDL_MouseMotionEvent motion;
    SDL_MouseButtonEvent button;
    SDL_MouseWheelEvent wheel;
};

int SDL_PollEvent(SDL_Event* event);
// Waits for an event by handing control back to the browser, which delivers events only
// then; `event` may be null.
int SDL_WaitEventTimeout(SDL_Event* event, int timeout);

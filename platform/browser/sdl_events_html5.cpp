// SDL's event queue, keyboard, mouse and cursor functions on the page's HTML5 events. The
// browser calls the handlers only while the program has handed control back to it (at each
// frame), so they queue SDL events that the message queue then polls as on the desktop.
#include <SDL.h>

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>
#include <deque>
#include <string_view>

#include "platform/browser/browser_page.h"

namespace {

struct CodeMapping {
    const char* code; // KeyboardEvent.code: the physical key
    SDL_Keycode key;
};

constexpr CodeMapping kCodeTable[] = {
    {"Enter", SDLK_RETURN},
    {"NumpadEnter", SDLK_KP_ENTER},
    {"Escape", SDLK_ESCAPE},
    {"Backspace", SDLK_BACKSPACE},
    {"Tab", SDLK_TAB},
    {"Space", SDLK_SPACE},
    {"Delete", SDLK_DELETE},
    {"CapsLock", SDLK_CAPSLOCK},
    {"F1", SDLK_F1},
    {"F2", SDLK_F2},
    {"F3", SDLK_F3},
    {"F4", SDLK_F4},
    {"F5", SDLK_F5},
    {"F6", SDLK_F6},
    {"F7", SDLK_F7},
    {"F8", SDLK_F8},
    {"F9", SDLK_F9},
    {"F10", SDLK_F10},
    {"F11", SDLK_F11},
    {"F12", SDLK_F12},
    {"PrintScreen", SDLK_PRINTSCREEN},
    {"ScrollLock", SDLK_SCROLLLOCK},
    {"Pause", SDLK_PAUSE},
    {"Insert", SDLK_INSERT},
    {"Home", SDLK_HOME},
    {"PageUp", SDLK_PAGEUP},
    {"End", SDLK_END},
    {"PageDown", SDLK_PAGEDOWN},
    {"ArrowRight", SDLK_RIGHT},
    {"ArrowLeft", SDLK_LEFT},
    {"ArrowDown", SDLK_DOWN},
    {"ArrowUp", SDLK_UP},
    {"NumLock", SDLK_NUMLOCKCLEAR},
    {"NumpadDivide", SDLK_KP_DIVIDE},
    {"NumpadMultiply", SDLK_KP_MULTIPLY},
    {"NumpadSubtract", SDLK_KP_MINUS},
    {"NumpadAdd", SDLK_KP_PLUS},
    {"NumpadDecimal", SDLK_KP_PERIOD},
    {"Numpad0", SDLK_KP_0},
    {"Numpad1", SDLK_KP_1},
    {"Numpad2", SDLK_KP_2},
    {"Numpad3", SDLK_KP_3},
    {"Numpad4", SDLK_KP_4},
    {"Numpad5", SDLK_KP_5},
    {"Numpad6", SDLK_KP_6},
    {"Numpad7", SDLK_KP_7},
    {"Numpad8", SDLK_KP_8},
    {"Numpad9", SDLK_KP_9},
    {"ControlLeft", SDLK_LCTRL},
    {"ControlRight", SDLK_RCTRL},
    {"ShiftLeft", SDLK_LSHIFT},
    {"ShiftRight", SDLK_RSHIFT},
    {"AltLeft", SDLK_LALT},
    {"AltRight", SDLK_RALT},
};

std::deque<SDL_Event>& Queue() {
    static auto* queue = new std::deque<SDL_Event>();
    return *queue;
}

bool listening = false;
Uint16 modifiers = KMOD_NONE;
Uint32 buttons = 0;
int mouseX = 0;
int mouseY = 0;
int cursorShown = SDL_ENABLE;

Uint32 CanvasWindowId() {
    return SDL_GetWindowID(BrowserPage::CanvasWindow());
}

// Letters and digits by the character the layout gives them (as Windows' virtual keys
// are), everything else by its physical key.
SDL_Keycode KeycodeOf(const EmscriptenKeyboardEvent& event) {
    const std::string_view key(event.key);
    if (key.size() == 1) {
        const char c = key[0];
        if (c >= 'a' && c <= 'z') {
            return c;
        }
        if (c >= 'A' && c <= 'Z') {
            return c - 'A' + 'a';
        }
        if (c >= '0' && c <= '9' && std::string_view(event.code).rfind("Numpad", 0) != 0) {
            return c;
        }
    }
    const std::string_view code(event.code);
    if (code.size() == 4 && code.rfind("Key", 0) == 0 && code[3] >= 'A' && code[3] <= 'Z') {
        return code[3] - 'A' + 'a';
    }
    if (code.size() == 6 && code.rfind("Digit", 0) == 0) {
        return code[5];
    }
    for (const CodeMapping& mapping : kCodeTable) {
        if (code == mapping.code) {
            return mapping.key;
        }
    }
    return 0;
}

Uint16 ModifiersOf(const EmscriptenKeyboardEvent& event) {
    Uint16 mod = KMOD_NONE;
    if (event.shiftKey) {
        mod |= KMOD_LSHIFT;
    }
    if (event.ctrlKey) {
        mod |= KMOD_LCTRL;
    }
    if (event.altKey) {
        mod |= KMOD_LALT;
    }
    return mod;
}

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
    modifiers = ModifiersOf(*event);
    const SDL_Keycode key = KeycodeOf(*event);
    if (key == 0 || BrowserPage::CanvasWindow() == nullptr) {
        return EM_FALSE;
    }
    SDL_Event queued{};
    queued.key.type = eventType == EMSCRIPTEN_EVENT_KEYDOWN ? SDL_KEYDOWN : SDL_KEYUP;
    queued.key.windowID = CanvasWindowId();
    queued.key.repeat = event->repeat ? 1 : 0;
    queued.key.keysym.sym = key;
    queued.key.keysym.scancode = static_cast<int>(event->keyCode & 0xFF);
    queued.key.keysym.mod = modifiers;
    Queue().push_back(queued);
    // The browser's own shortcuts (reload, close tab, ...) stay the browser's.
    const bool browserShortcut = event->ctrlKey && key >= 'a' && key <= 'z';
    return browserShortcut ? EM_FALSE : EM_TRUE;
}

// The canvas may be displayed larger or smaller than its drawing buffer: mouse positions go
// to the window in its own pixels.
void WindowPoint(const EmscriptenMouseEvent& event, int* x, int* y) {
    double displayedWidth = 0;
    double displayedHeight = 0;
    emscripten_get_element_css_size("#canvas", &displayedWidth, &displayedHeight);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(BrowserPage::CanvasWindow(), &width, &height);
    *x = displayedWidth > 0 ? static_cast<int>(event.targetX * width / displayedWidth) : event.targetX;
    *y = displayedHeight > 0 ? static_cast<int>(event.targetY * height / displayedHeight) : event.targetY;
}

Uint8 SdlButton(unsigned short domButton) {
    constexpr Uint8 buttonsByDomIndex[] = {SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT,
                                           SDL_BUTTON_X1, SDL_BUTTON_X2};
    return domButton < 5 ? buttonsByDomIndex[domButton] : 0;
}

EM_BOOL OnMouse(int eventType, const EmscriptenMouseEvent* event, void*) {
    if (BrowserPage::CanvasWindow() == nullptr) {
        return EM_FALSE;
    }
    WindowPoint(*event, &mouseX, &mouseY);
    SDL_Event queued{};
    if (eventType == EMSCRIPTEN_EVENT_MOUSEMOVE) {
        queued.motion = {SDL_MOUSEMOTION, 0, CanvasWindowId(), 0, buttons, mouseX, mouseY};
        Queue().push_back(queued);
        return EM_FALSE;
    }
    const Uint8 button = SdlButton(event->button);
    if (button == 0) {
        return EM_FALSE;
    }
    const bool down = eventType == EMSCRIPTEN_EVENT_MOUSEDOWN;
    buttons = down ? (buttons | (1u << (button - 1))) : (buttons & ~(1u << (button - 1)));
    const Uint8 clicks = eventType == EMSCRIPTEN_EVENT_DBLCLICK ? 2 : 1;
    queued.button = {down || clicks == 2 ? static_cast<Uint32>(SDL_MOUSEBUTTONDOWN)
                                         : static_cast<Uint32>(SDL_MOUSEBUTTONUP),
                     0,
                     CanvasWindowId(),
                     0,
                     button,
                     static_cast<Uint8>(down ? 1 : 0),
                     clicks,
                     mouseX,
                     mouseY};
    Queue().push_back(queued);
    return EM_TRUE;
}

EM_BOOL OnWheel(int, const EmscriptenWheelEvent* event, void*) {
    if (BrowserPage::CanvasWindow() == nullptr || event->deltaY == 0) {
        return EM_FALSE;
    }
    SDL_Event queued{};
    // Away from the user is up, one notch per event, as SDL reports a wheel.
    queued.wheel = {SDL_MOUSEWHEEL,       0, CanvasWindowId(), 0, 0, event->deltaY < 0 ? 1 : -1,
                    SDL_MOUSEWHEEL_NORMAL};
    Queue().push_back(queued);
    return EM_TRUE;
}

void PushWindowEvent(Uint8 kind, int data1 = 0, int data2 = 0) {
    if (BrowserPage::CanvasWindow() == nullptr) {
        return;
    }
    SDL_Event queued{};
    queued.window = {SDL_WINDOWEVENT, 0, CanvasWindowId(), kind, data1, data2};
    Queue().push_back(queued);
}

EM_BOOL OnFocus(int eventType, const EmscriptenFocusEvent*, void*) {
    PushWindowEvent(eventType == EMSCRIPTEN_EVENT_FOCUS ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                        : SDL_WINDOWEVENT_FOCUS_LOST);
    return EM_FALSE;
}

EM_JS(void, qm_fit_canvas, (), {
    const canvas = Module['canvas'];
    if (!canvas || document.fullscreenElement)
        return;
    const scale = Math.min(1, window.innerWidth / canvas.width, window.innerHeight / canvas.height);
    canvas.style.width = Math.floor(canvas.width * scale) + 'px';
    canvas.style.height = Math.floor(canvas.height * scale) + 'px';
});

// The page's viewport changed: the canvas is displayed anew (smaller when it no longer fits),
// and the window repaints; its client size, and so the back buffer, stays what the program set.
EM_BOOL OnResize(int, const EmscriptenUiEvent*, void*) {
    qm_fit_canvas();
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    return EM_FALSE;
}

EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*) {
    BrowserPage::FullScreenChanged(event->isFullscreen != EM_FALSE);
    if (!event->isFullscreen) {
        qm_fit_canvas();
    }
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    return EM_FALSE;
}

const char* OnBeforeUnload(int, const void*, void*) {
    SDL_Event queued{};
    queued.type = SDL_QUIT;
    Queue().push_back(queued);
    return nullptr;
}

// An EM_ASYNC_JS function, so ASYNCIFY knows the program can be suspended here (a plain
// EM_JS import calling Asyncify.handleSleep is not instrumented and leaves the program
// stopped without a word).
EM_ASYNC_JS(void, qm_wait_for_animation_frame, (),
            { await new Promise(function(resolve) { requestAnimationFrame(resolve); }); });

EM_JS(void, qm_set_canvas_cursor, (const char* css), { Module['canvas'].style.cursor = UTF8ToString(css); });

EM_JS(void, qm_set_canvas_cursor_image, (const void* argb, int width, int height, int hotX, int hotY), {
    const image = new ImageData(width, height);
    for (let i = 0; i < width * height; ++i) {
        const pixel = HEAPU32[(argb >> 2) + i];
        image.data[4 * i] = (pixel >>> 16) & 255;
        image.data[4 * i + 1] = (pixel >>> 8) & 255;
        image.data[4 * i + 2] = pixel & 255;
        image.data[4 * i + 3] = pixel >>> 24;
    }
    const drawing = document.createElement('canvas');
    drawing.width = width;
    drawing.height = height;
    drawing.getContext('2d').putImageData(image, 0, 0);
    Module['cursorImage'] = 'url(' + drawing.toDataURL() + ') ' + hotX + ' ' + hotY + ', auto';
});

EM_JS(void, qm_show_cursor_image, (), { Module["canvas"].style.cursor = Module["cursorImage"] || ""; });

} // namespace

struct SDL_Cursor {
    SDL_Surface* image;
    int hotX;
    int hotY;
};

namespace BrowserPage {

void ListenForEvents() {
    if (listening) {
        return;
    }
    listening = true;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, OnKey);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, OnKey);
    emscripten_set_mousedown_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_mouseup_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_mousemove_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_dblclick_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_wheel_callback("#canvas", nullptr, EM_TRUE, OnWheel);
    emscripten_set_focus_callback(window, nullptr, EM_TRUE, OnFocus);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, OnFocus);
    emscripten_set_resize_callback(window, nullptr, EM_TRUE, OnResize);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE,
                                             OnFullscreenChange);
    emscripten_set_beforeunload_callback(nullptr, OnBeforeUnload);
}

void SetCanvasSize(int width, int height) {
    emscripten_set_canvas_element_size("#canvas", width, height);
    qm_fit_canvas();
}

void YieldFrame() {
    qm_wait_for_animation_frame();
}

} // namespace BrowserPage

int SDL_PollEvent(SDL_Event* event) {
    std::deque<SDL_Event>& queue = Queue();
    if (queue.empty()) {
        return 0;
    }
    if (event != nullptr) {
        *event = queue.front();
        queue.pop_front();
    }
    return 1;
}

int SDL_WaitEventTimeout(SDL_Event* event, int) {
    if (Queue().empty()) {
        BrowserPage::YieldFrame();
    }
    return SDL_PollEvent(event);
}

SDL_Keymod SDL_GetModState() {
    return static_cast<SDL_Keymod>(modifiers);
}

Uint32 SDL_GetMouseState(int* x, int* y) {
    if (x != nullptr) {
        *x = mouseX;
    }
    if (y != nullptr) {
        *y = mouseY;
    }
    return buttons;
}

int SDL_ShowCursor(int toggle) {
    if (toggle == SDL_ENABLE || toggle == SDL_DISABLE) {
        cursorShown = toggle;
        if (toggle == SDL_DISABLE) {
            qm_set_canvas_cursor("none");
        } else {
            qm_show_cursor_image();
        }
    }
    return cursorShown;
}

SDL_Surface* SDL_CreateRGBSurfaceWithFormat(Uint32, int width, int height, int, Uint32 format) {
    if (width <= 0 || height <= 0 || format != SDL_PIXELFORMAT_ARGB8888) {
        return nullptr;
    }
    auto* surface = new SDL_Surface{format, width, height, width * 4, nullptr};
    surface->pixels = new Uint32[static_cast<size_t>(width) * static_cast<size_t>(height)]();
    return surface;
}

void SDL_FreeSurface(SDL_Surface* surface) {
    if (surface != nullptr) {
        delete[] static_cast<Uint32*>(surface->pixels);
        delete surface;
    }
}

SDL_Cursor* SDL_CreateColorCursor(SDL_Surface* surface, int hotX, int hotY) {
    if (surface == nullptr) {
        return nullptr;
    }
    SDL_Surface* copy = SDL_CreateRGBSurfaceWithFormat(0, surface->w, surface->h, 32, surface->format);
    std::memcpy(copy->pixels, surface->pixels,
                static_cast<size_t>(surface->pitch) * static_cast<size_t>(surface->h));
    return new SDL_Cursor{copy, hotX, hotY};
}

void SDL_SetCursor(SDL_Cursor* cursor) {
    if (cursor == nullptr) {
        return;
    }
    qm_set_canvas_cursor_image(cursor->image->pixels, cursor->image->w, cursor->image->h, cursor->hotX,
                               cursor->hotY);
    if (cursorShown == SDL_ENABLE) {
        qm_show_cursor_image();
    }
}

void SDL_FreeCursor(SDL_Cursor* cursor) {
    if (cursor != nullptr) {
        SDL_FreeSurface(cursor->image);
        delete cursor;
    }
}

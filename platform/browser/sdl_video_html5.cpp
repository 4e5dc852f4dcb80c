// SDL's video functions on the page: the screen is the browser's screen, every window is a
// record, and the window shown last is the one the page's canvas stands for (the demo shows
// one window; the device's own hidden windows are never shown). Full screen goes through the
// Fullscreen API; the GL context is the canvas's WebGL 2 context, one for the whole run, so
// "sharing" objects between contexts is simply true.
#include <SDL.h>

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/browser/browser_page.h"
#include "platform/d3d9/gl_headers.h"

struct SDL_Window {
    Uint32 id = 0;
    std::string title;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    Uint32 flags = 0;
};

namespace {

// Full-screen sizes offered besides the screen's own, as a desktop display lists its modes.
constexpr int kStandardModes[][2] = {{640, 480},   {800, 600},  {1024, 768}, {1280, 720},
                                     {1280, 1024}, {1600, 900}, {1920, 1080}};
constexpr int kRefreshRate = 60;

std::vector<std::unique_ptr<SDL_Window>>& Windows() {
    static auto* windows = new std::vector<std::unique_ptr<SDL_Window>>();
    return *windows;
}

Uint32 nextWindowId = 1;
SDL_Window* canvasWindow = nullptr;
std::string lastError;
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webglContext = 0;
int contextUsers = 0;
// The window last made current with the context, as SDL remembers it.
SDL_Window* currentWindow = nullptr;

EM_JS(int, qm_screen_width, (), { return screen.width | 0; });
EM_JS(int, qm_screen_height, (), { return screen.height | 0; });
// Tells the page a frame was shown (it counts them, for start-up time and frame rate).
EM_JS(void, qm_frame_presented, (), {
    if (Module["framePresented"])
        Module["framePresented"]();
});
EM_JS(void, qm_set_title, (const char* title), { document.title = UTF8ToString(title); });

std::vector<SDL_DisplayMode> DisplayModes() {
    const int screenWidth = std::max(qm_screen_width(), 640);
    const int screenHeight = std::max(qm_screen_height(), 480);
    std::vector<SDL_DisplayMode> modes;
    modes.push_back({SDL_PIXELFORMAT_ARGB8888, screenWidth, screenHeight, kRefreshRate, nullptr});
    for (const auto& size : kStandardModes) {
        if (size[0] <= screenWidth && size[1] <= screenHeight &&
            (size[0] != screenWidth || size[1] != screenHeight)) {
            modes.push_back({SDL_PIXELFORMAT_ARGB8888, size[0], size[1], kRefreshRate, nullptr});
        }
    }
    // Largest first, as SDL lists them.
    std::sort(modes.begin(), modes.end(), [](const SDL_DisplayMode& a, const SDL_DisplayMode& b) {
        return a.w != b.w ? a.w > b.w : a.h > b.h;
    });
    return modes;
}

bool Valid(SDL_Window* window) {
    for (const auto& owned : Windows()) {
        if (owned.get() == window) {
            return true;
        }
    }
    return false;
}

void ShowOnCanvas(SDL_Window* window) {
    canvasWindow = window;
    BrowserPage::SetCanvasSize(window->w, window->h);
    qm_set_title(window->title.c_str());
}

} // namespace

namespace BrowserPage {

SDL_Window* CanvasWindow() {
    return canvasWindow;
}

void CanvasResized(int width, int height) {
    if (canvasWindow != nullptr) {
        canvasWindow->w = width;
        canvasWindow->h = height;
    }
}

void FullScreenChanged(bool fullScreen) {
    if (canvasWindow != nullptr) {
        canvasWindow->flags = fullScreen ? (canvasWindow->flags | SDL_WINDOW_FULLSCREEN)
                                         : (canvasWindow->flags & ~SDL_WINDOW_FULLSCREEN);
    }
}

} // namespace BrowserPage

int SDL_InitSubSystem(Uint32) {
    BrowserPage::ListenForEvents();
    return 0;
}

void SDL_QuitSubSystem(Uint32) {}

const char* SDL_GetError() {
    return lastError.c_str();
}

void SDL_Log(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

int SDL_GetNumVideoDisplays() {
    return 1;
}

int SDL_GetDisplayBounds(int displayIndex, SDL_Rect* rect) {
    if (displayIndex != 0 || rect == nullptr) {
        return -1;
    }
    const SDL_DisplayMode screen = DisplayModes().front();
    *rect = {0, 0, screen.w, screen.h};
    return 0;
}

int SDL_GetDisplayUsableBounds(int displayIndex, SDL_Rect* rect) {
    return SDL_GetDisplayBounds(displayIndex, rect);
}

int SDL_GetNumDisplayModes(int displayIndex) {
    return displayIndex == 0 ? static_cast<int>(DisplayModes().size()) : -1;
}

int SDL_GetDisplayMode(int displayIndex, int modeIndex, SDL_DisplayMode* mode) {
    const std::vector<SDL_DisplayMode> modes = DisplayModes();
    if (displayIndex != 0 || mode == nullptr || modeIndex < 0 ||
        modeIndex >= static_cast<int>(modes.size())) {
        return -1;
    }
    *mode = modes[static_cast<size_t>(modeIndex)];
    return 0;
}

int SDL_GetDesktopDisplayMode(int displayIndex, SDL_DisplayMode* mode) {
    return SDL_GetDisplayMode(displayIndex, 0, mode);
}

SDL_DisplayMode* SDL_GetClosestDisplayMode(int displayIndex, const SDL_DisplayMode* mode,
                                           SDL_DisplayMode* closest) {
    if (displayIndex != 0 || mode == nullptr || closest == nullptr) {
        return nullptr;
    }
    // The smallest mode at least as large as asked for, as SDL chooses.
    const std::vector<SDL_DisplayMode> modes = DisplayModes();
    const SDL_DisplayMode* best = nullptr;
    for (const SDL_DisplayMode& candidate : modes) {
        if (candidate.w >= mode->w && candidate.h >= mode->h) {
            best = &candidate;
        }
    }
    if (best == nullptr) {
        return nullptr;
    }
    *closest = *best;
    return closest;
}

SDL_Window* SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
    auto window = std::make_unique<SDL_Window>();
    window->id = nextWindowId++;
    window->title = title != nullptr ? title : "";
    window->x = x == SDL_WINDOWPOS_UNDEFINED ? 0 : x;
    window->y = y == SDL_WINDOWPOS_UNDEFINED ? 0 : y;
    window->w = std::max(w, 1);
    window->h = std::max(h, 1);
    window->flags = (flags & ~SDL_WINDOW_SHOWN) | ((flags & SDL_WINDOW_HIDDEN) ? 0 : SDL_WINDOW_SHOWN);
    SDL_Window* created = window.get();
    Windows().push_back(std::move(window));
    if ((created->flags & SDL_WINDOW_SHOWN) != 0) {
        ShowOnCanvas(created);
    }
    return created;
}

void SDL_DestroyWindow(SDL_Window* window) {
    auto& windows = Windows();
    if (window == canvasWindow) {
        canvasWindow = nullptr;
    }
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [window](const auto& owned) { return owned.get() == window; }),
                  windows.end());
}

Uint32 SDL_GetWindowID(SDL_Window* window) {
    return Valid(window) ? window->id : 0;
}

SDL_Window* SDL_GetWindowFromID(Uint32 id) {
    for (const auto& owned : Windows()) {
        if (owned->id == id) {
            return owned.get();
        }
    }
    return nullptr;
}

Uint32 SDL_GetWindowFlags(SDL_Window* window) {
    return Valid(window) ? window->flags : 0;
}

int SDL_GetWindowDisplayIndex(SDL_Window* window) {
    return Valid(window) ? 0 : -1;
}

void SDL_SetWindowTitle(SDL_Window* window, const char* title) {
    window->title = title != nullptr ? title : "";
    if (window == canvasWindow) {
        qm_set_title(window->title.c_str());
    }
}

void SDL_GetWindowPosition(SDL_Window* window, int* x, int* y) {
    if (x != nullptr) {
        *x = window->x;
    }
    if (y != nullptr) {
        *y = window->y;
    }
}

// A page has no place on the screen to move to: the position is remembered only.
void SDL_SetWindowPosition(SDL_Window* window, int x, int y) {
    window->x = x;
    window->y = y;
}

void SDL_GetWindowSize(SDL_Window* window, int* w, int* h) {
    if (w != nullptr) {
        *w = window->w;
    }
    if (h != nullptr) {
        *h = window->h;
    }
}

void SDL_SetWindowSize(SDL_Window* window, int w, int h) {
    window->w = std::max(w, 1);
    window->h = std::max(h, 1);
    if (window == canvasWindow && (window->flags & SDL_WINDOW_FULLSCREEN) == 0) {
        BrowserPage::SetCanvasSize(window->w, window->h);
    }
}

void SDL_SetWindowMinimumSize(SDL_Window*, int, int) {}
void SDL_SetWindowBordered(SDL_Window*, SDL_bool) {}
void SDL_SetWindowResizable(SDL_Window*, SDL_bool) {}

void SDL_ShowWindow(SDL_Window* window) {
    window->flags = (window->flags | SDL_WINDOW_SHOWN) & ~SDL_WINDOW_HIDDEN;
    if (window != canvasWindow) {
        ShowOnCanvas(window);
    }
}

void SDL_HideWindow(SDL_Window* window) {
    window->flags = (window->flags | SDL_WINDOW_HIDDEN) & ~SDL_WINDOW_SHOWN;
}

// A page cannot be minimised or maximised by itself; the window stays as it is, as a
// desktop window manager that refuses the request would leave it.
void SDL_MinimizeWindow(SDL_Window*) {}
void SDL_MaximizeWindow(SDL_Window*) {}
void SDL_RestoreWindow(SDL_Window*) {}

int SDL_SetWindowFullscreen(SDL_Window* window, Uint32 flags) {
    if (window != canvasWindow) {
        return -1;
    }
    if ((flags & SDL_WINDOW_FULLSCREEN) != 0) {
        // Browsers grant full screen only inside a user's input; a request made later (the
        // framework reacts to Alt+Enter after the key's handler has returned) is carried out
        // at the next input event.
        EmscriptenFullscreenStrategy strategy{};
        strategy.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_ASPECT;
        strategy.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_NONE;
        strategy.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_DEFAULT;
        const EMSCRIPTEN_RESULT result =
            emscripten_request_fullscreen_strategy("#canvas", EM_TRUE, &strategy);
        if (result != EMSCRIPTEN_RESULT_SUCCESS && result != EMSCRIPTEN_RESULT_DEFERRED) {
            lastError = "the page may not go full screen";
            return -1;
        }
        window->flags |= SDL_WINDOW_FULLSCREEN;
    } else {
        emscripten_exit_fullscreen();
        window->flags &= ~SDL_WINDOW_FULLSCREEN;
        BrowserPage::SetCanvasSize(window->w, window->h);
    }
    return 0;
}

int SDL_SetWindowDisplayMode(SDL_Window* window, const SDL_DisplayMode* mode) {
    if (mode == nullptr) {
        return -1;
    }
    window->w = mode->w;
    window->h = mode->h;
    if (window == canvasWindow) {
        BrowserPage::SetCanvasSize(window->w, window->h);
    }
    return 0;
}

// Pointer confinement needs the Pointer Lock API and a user's consent; not attempted.
int SDL_SetWindowMouseRect(SDL_Window*, const SDL_Rect*) {
    return 0;
}

int SDL_GL_SetAttribute(SDL_GLattr, int) {
    return 0;
}

SDL_GLContext SDL_GL_CreateContext(SDL_Window* window) {
    if (webglContext == 0) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.majorVersion = 2;
        attributes.minorVersion = 0;
        // The device renders into its own framebuffer and copies the frame to the canvas.
        attributes.alpha = EM_FALSE;
        attributes.depth = EM_FALSE;
        attributes.stencil = EM_FALSE;
        attributes.antialias = EM_FALSE;
        attributes.preserveDrawingBuffer = EM_FALSE;
        attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
        webglContext = emscripten_webgl_create_context("#canvas", &attributes);
        if (webglContext <= 0) {
            lastError = "this browser gives the page no WebGL 2 context";
            webglContext = 0;
            return nullptr;
        }
        emscripten_webgl_make_context_current(webglContext);
        // Compressed DXT uploads, where the browser offers them.
        emscripten_webgl_enable_extension(webglContext, "WEBGL_compressed_texture_s3tc");
    }
    ++contextUsers;
    currentWindow = window;
    return reinterpret_cast<SDL_GLContext>(static_cast<std::intptr_t>(webglContext));
}

// The context lives for the whole page: a WebGL context cannot be made again on a canvas.
void SDL_GL_DeleteContext(SDL_GLContext context) {
    if (context != nullptr && contextUsers > 0) {
        --contextUsers;
    }
}

int SDL_GL_MakeCurrent(SDL_Window* window, SDL_GLContext context) {
    currentWindow = context != nullptr ? window : nullptr;
    return context != nullptr ? 0 : -1;
}

SDL_Window* SDL_GL_GetCurrentWindow() {
    return currentWindow;
}

SDL_GLContext SDL_GL_GetCurrentContext() {
    return webglContext != 0 ? reinterpret_cast<SDL_GLContext>(static_cast<std::intptr_t>(webglContext))
                             : nullptr;
}

// The browser paces the canvas to the display itself; both intervals are accepted.
int SDL_GL_SetSwapInterval(int) {
    return 0;
}

void SDL_GL_GetDrawableSize(SDL_Window* window, int* w, int* h) {
    int width = window->w;
    int height = window->h;
    if (window == canvasWindow) {
        emscripten_get_canvas_element_size("#canvas", &width, &height);
    }
    if (w != nullptr) {
        *w = width;
    }
    if (h != nullptr) {
        *h = height;
    }
}

bool GlHasExtension(const char* name) {
    return webglContext != 0 && emscripten_webgl_enable_extension(webglContext, name) != EM_FALSE;
}

void SDL_GL_SwapWindow(SDL_Window*) {
    qm_frame_presented();
    BrowserPage::YieldFrame();
}

Uint32 SDL_GetGlobalMouseState(int* x, int* y) {
    int windowX = 0;
    int windowY = 0;
    const Uint32 buttons = SDL_GetMouseState(&windowX, &windowY);
    const int left = canvasWindow != nullptr ? canvasWindow->x : 0;
    const int top = canvasWindow != nullptr ? canvasWindow->y : 0;
    if (x != nullptr) {
        *x = windowX + left;
    }
    if (y != nullptr) {
        *y = windowY + top;
    }
    return buttons;
}

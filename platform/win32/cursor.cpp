// The mouse cursor: the show counter, the clip rectangle, and the one standard cursor
// (the arrow) with its monochrome bitmaps for code that draws it itself.
#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/win32/platform_window.h"

// The standard arrow: X black, . white, blank transparent; hot spot at the tip.
constexpr const char* ArrowShape[] = {
    "X",         "XX",        "X.X",        "X..X",        "X...X",        "X....X",   "X.....X",
    "X......X",  "X.......X", "X........X", "X.........X", "X......XXXXX", "X...X..X", "X..XX..X",
    "X.X  X..X", "XX   X..X", "X     X..X", "      X..X",  "       XX",
};
constexpr int CursorSize = 32;

struct HICON__ {
    DWORD hotSpotX;
    DWORD hotSpotY;
};

struct HBITMAP__ {
    LONG width;
    LONG height;
    WORD bitsPerPixel;
    std::vector<DWORD> pixels; // top-down, one DWORD per pixel (0 or 0x00FFFFFF for 1 bit)
};

namespace {

HICON__ arrowCursor{0, 0};
int showCounter = 0;
bool cursorImageSet = true;

void ApplyVisibility() {
    if (Win32Platform::VideoReady())
        SDL_ShowCursor(showCounter >= 0 && cursorImageSet ? SDL_ENABLE : SDL_DISABLE);
}

// The arrow as a monochrome cursor: AND mask above the XOR image, 32 × 64.
HBITMAP MakeArrowMask() {
    auto* bitmap = new HBITMAP__{CursorSize, CursorSize * 2, 1, {}};
    bitmap->pixels.assign(static_cast<size_t>(CursorSize * CursorSize * 2), 0);
    for (int y = 0; y < CursorSize; ++y)
        for (int x = 0; x < CursorSize; ++x) {
            char c = ' ';
            if (y < static_cast<int>(std::size(ArrowShape))) {
                const char* row = ArrowShape[y];
                if (x < static_cast<int>(std::char_traits<char>::length(row)))
                    c = row[x];
            }
            bool transparent = c == ' ';
            bool white = c == '.';
            bitmap->pixels[static_cast<size_t>(y * CursorSize + x)] = transparent ? 0x00FFFFFFu : 0;
            bitmap->pixels[static_cast<size_t>((y + CursorSize) * CursorSize + x)] = white ? 0x00FFFFFFu : 0;
        }
    return bitmap;
}

} // namespace

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    // Only the system's own arrow exists.
    if (instance || name != IDC_ARROW)
        return nullptr;
    return &arrowCursor;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = cursorImageSet ? &arrowCursor : nullptr;
    cursorImageSet = cursor != nullptr;
    ApplyVisibility();
    return previous;
}

int ShowCursor(BOOL show) {
    showCounter += show ? 1 : -1;
    ApplyVisibility();
    return showCounter;
}

BOOL ClipCursor(const RECT* rect) {
    if (!Win32Platform::VideoReady())
        return TRUE;
    for (int i = 0; i < Win32Platform::WindowCount(); ++i) {
        HWND window = Win32Platform::WindowAt(i);
        if (!rect) {
            SDL_SetWindowMouseRect(window->sdlWindow, nullptr);
            continue;
        }
        int x = 0, y = 0;
        SDL_GetWindowPosition(window->sdlWindow, &x, &y);
        SDL_Rect area{rect->left - x, rect->top - y, rect->right - rect->left, rect->bottom - rect->top};
        SDL_SetWindowMouseRect(window->sdlWindow, &area);
    }
    return TRUE;
}

BOOL GetCursorPos(POINT* point) {
    if (!point)
        return FALSE;
    int x = 0, y = 0;
    if (Win32Platform::VideoReady())
        SDL_GetGlobalMouseState(&x, &y);
    *point = POINT{x, y};
    return TRUE;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    if (icon != &arrowCursor || !info)
        return FALSE;
    *info = ICONINFO{FALSE, icon->hotSpotX, icon->hotSpotY, MakeArrowMask(), nullptr};
    return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    auto* bitmap = reinterpret_cast<HBITMAP>(object);
    if (!bitmap || !buffer || size < static_cast<int>(sizeof(BITMAP)))
        return 0;
    auto* out = static_cast<BITMAP*>(buffer);
    *out =
        BITMAP{0, bitmap->width,        bitmap->height, (bitmap->width * bitmap->bitsPerPixel + 15) / 16 * 2,
               1, bitmap->bitsPerPixel, nullptr};
    return sizeof(BITMAP);
}

int GetBitmapBits32(HBITMAP bitmap, UINT startLine, UINT lineCount, DWORD* bits) {
    if (!bitmap || !bits || startLine >= static_cast<UINT>(bitmap->height))
        return 0;
    UINT lines = std::min(lineCount, static_cast<UINT>(bitmap->height) - startLine);
    auto first =
        bitmap->pixels.begin() + static_cast<std::ptrdiff_t>(startLine * static_cast<UINT>(bitmap->width));
    std::copy(first, first + static_cast<std::ptrdiff_t>(lines * static_cast<UINT>(bitmap->width)), bits);
    return static_cast<int>(lines);
}

BOOL DeleteObject(HGDIOBJ object) {
    // Only bitmaps from GetIconInfo are ever deleted; stock objects are not.
    delete reinterpret_cast<HBITMAP>(object);
    return object ? TRUE : FALSE;
}

#pragma once
// The page the browser build runs in: its canvas, its input events and its pace. Shared by
// the browser's SDL functions (platform/browser/sdl_*.cpp); nothing outside platform/browser/
// includes it.

struct SDL_Window;

namespace BrowserPage {

// Starts listening to the page's keyboard, mouse, focus, resize and full-screen events
// (once; later calls do nothing).
void ListenForEvents();

// The window the canvas stands for (the one shown last), or null.
SDL_Window* CanvasWindow();

// Gives the canvas a drawing buffer and a displayed size of `width` x `height` pixels,
// displayed smaller, with its shape kept, when the page's viewport is smaller.
void SetCanvasSize(int width, int height);

// Told by the event side when the canvas's size or full-screen state changed.
void CanvasResized(int width, int height);
void FullScreenChanged(bool fullScreen);

// Hands control back to the browser until the next frame may be drawn: the canvas is
// composited and events are delivered only then. The call returns with the program's stack
// as it was (emscripten's ASYNCIFY).
void YieldFrame();

} // namespace BrowserPage

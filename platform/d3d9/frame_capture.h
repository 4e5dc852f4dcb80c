#pragma once
// Where presented frames go when the program renders for a file rather than (or as well as)
// for the screen. With a sink set, every Present of the OpenGL device reads the back buffer
// back and hands it over: RGBA8, top row first, width * 4 bytes per row, valid only during
// the call.

#include <functional>

using FrameSink = std::function<void(const unsigned char* rgba, int width, int height)>;

// Installs the sink (an empty function removes it).
void SetFrameSink(FrameSink sink);

// With `show` false, Present hands frames to the sink only and leaves the window alone
// (offscreen rendering); the default is true.
void SetFrameSinkShowsWindow(bool show);

// For the device: the sink installed now (empty when none) and whether the window is shown.
const FrameSink& CurrentFrameSink();
bool FrameSinkShowsWindow();

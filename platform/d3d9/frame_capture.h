#pragma once
// Where presented frames go when the program renders for a file rather than (or as well as)
// for the screen. With a sink set, every Present asks it whether it wants the frame; the
// pixels of a wanted frame arrive later, in the order the frames were presented, so that
// reading a frame back overlaps with rendering the next one.

#include <cstddef>
#include <functional>

// RGBA8 rows of a frame: `top` is the picture's top row, the next row down starts `stride`
// bytes further on. The fourth byte is undefined (an X8R8G8B8 back buffer leaves it so).
struct FrameRows {
    const unsigned char* top = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

enum class FrameRequest {
    Skip,
    Keep,
    // Keep this frame and hand over every frame still on its way before the Present returns:
    // the run ends after it.
    KeepLast,
};

struct FrameSink {
    // Asked at every Present; a kept frame's pixels come back with the `tag` set here.
    std::function<FrameRequest(long long* tag)> request;
    // A kept frame, at a later Present (at the latest at the Present of a KeepLast frame);
    // the rows are valid only during the call.
    std::function<void(long long tag, const FrameRows& rows)> take;

    explicit operator bool() const { return request && take; }
};

// Installs the sink (an empty one removes it).
void SetFrameSink(FrameSink sink);

// With `show` false, Present hands frames to the sink only and leaves the window alone
// (offscreen rendering); the default is true.
void SetFrameSinkShowsWindow(bool show);

// For the device: the sink installed now (empty when none) and whether the window is shown.
const FrameSink& CurrentFrameSink();
bool FrameSinkShowsWindow();

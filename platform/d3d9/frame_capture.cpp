#include "platform/d3d9/frame_capture.h"

#include <utility>

namespace {

FrameSink& Sink() {
    static FrameSink sink;
    return sink;
}

bool showWindow = true;

} // namespace

void SetFrameSink(FrameSink sink) {
    Sink() = std::move(sink);
}
void SetFrameSinkShowsWindow(bool show) {
    showWindow = show;
}
const FrameSink& CurrentFrameSink() {
    return Sink();
}
bool FrameSinkShowsWindow() {
#ifdef __EMSCRIPTEN__
    // Showing a frame is how the page gets control back between frames (SDL_GL_SwapWindow
    // yields to the browser), and the page shows a run's progress.
    return true;
#else
    return showWindow;
#endif
}

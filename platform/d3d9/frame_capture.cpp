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
    return showWindow;
}

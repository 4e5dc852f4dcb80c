// A page cannot start the ffmpeg program, so capturing to a video fails with a message;
// `shots` (PNG files handed to the page) is the browser's way to keep frames.
#include "platform/capture/video_pipe.h"

VideoPipe::~VideoPipe() = default;

bool VideoPipe::EncoderAvailable() {
    return false;
}

bool VideoPipe::Open(const Settings& wanted) {
    settings = wanted;
    child = -1;
    input = -1;
    error = "capture to a video needs the ffmpeg program, which the browser build cannot run; use shots";
    return false;
}

std::size_t VideoPipe::FrameBytes() const {
    return 0;
}

bool VideoPipe::Write(const unsigned char*) {
    return false;
}

bool VideoPipe::Close() {
    return false;
}

#pragma once
// Reads presented frames back through pixel-buffer objects: at Present the back buffer is
// read into a buffer object, and the CPU maps it one Present later. A GPU copies the pixels
// while the next frame is drawn; llvmpipe renders each frame to the end when it is flushed
// anyway, and there the buffer object costs nothing over a plain read.

#include "platform/d3d9/frame_capture.h"
#include "platform/d3d9/gl_headers.h"

#include <array>
#include <vector>

class FrameReadback {
  public:
    using Take = std::function<void(long long tag, const FrameRows& rows)>;

    FrameReadback() = default;
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    // Starts reading `framebuffer`'s colour (width x height) for the frame `tag`. Frames
    // queued earlier must have been delivered first: at most two are under way.
    void Queue(GLuint framebuffer, int width, int height, long long tag);
    // Hands every queued frame but the newest to `take`, oldest first; with `all`, the
    // newest too.
    void Deliver(bool all, const Take& take);
    // Drops frames not yet delivered and the buffer objects.
    void Release();

  private:
    struct Slot {
        GLuint buffer = 0;
        std::size_t size = 0;
        int width = 0;
        int height = 0;
        GLsync done = nullptr;
        long long tag = 0;
        // WebGL cannot map a buffer: there the frame is read into client memory at once.
        std::vector<unsigned char> pixels;
    };

    void ReadIntoBuffer(Slot& slot, std::size_t size, int width, int height);
    void ReadOut(Slot& slot, const Take& take);
    static void Hand(const unsigned char* pixels, const Slot& slot, const Take& take);

    std::array<Slot, 2> slots_;
    std::size_t next_ = 0;    // the slot the next Queue fills
    std::size_t pending_ = 0; // queued, not yet delivered; the oldest is next_ - pending_
};

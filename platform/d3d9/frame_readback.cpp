#include "platform/d3d9/frame_readback.h"

namespace {

// Long enough for any frame; the wait repeats until the read is done.
constexpr GLuint64 waitNanoseconds = 1000000000;

} // namespace

void FrameReadback::Queue(GLuint framebuffer, int width, int height, long long tag) {
    if (pending_ == slots_.size()) {
        return;
    }
    Slot& slot = slots_[next_];
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (kGlEs) {
        slot.pixels.resize(size);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, slot.pixels.data());
    } else {
        ReadIntoBuffer(slot, size, width, height);
    }
    slot.width = width;
    slot.height = height;
    slot.tag = tag;
    next_ = (next_ + 1) % slots_.size();
    ++pending_;
}

void FrameReadback::ReadIntoBuffer(Slot& slot, std::size_t size, int width, int height) {
    if (slot.buffer == 0) {
        glGenBuffers(1, &slot.buffer);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    if (slot.size != size) {
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(size), nullptr, GL_STREAM_READ);
        slot.size = size;
    }
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    // Any other read of pixels must land in client memory again.
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    slot.done = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
}

void FrameReadback::Hand(const unsigned char* pixels, const Slot& slot, const Take& take) {
    // GL's rows run bottom up.
    const auto row = static_cast<std::ptrdiff_t>(slot.width) * 4;
    FrameRows rows;
    rows.top = pixels + row * (slot.height - 1);
    rows.stride = -row;
    rows.width = slot.width;
    rows.height = slot.height;
    take(slot.tag, rows);
}

void FrameReadback::ReadOut(Slot& slot, const Take& take) {
    if (kGlEs) {
        Hand(slot.pixels.data(), slot, take);
        return;
    }
    while (glClientWaitSync(slot.done, GL_SYNC_FLUSH_COMMANDS_BIT, waitNanoseconds) == GL_TIMEOUT_EXPIRED) {
    }
    glDeleteSync(slot.done);
    slot.done = nullptr;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    const auto* pixels = static_cast<const unsigned char*>(
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(slot.size), GL_MAP_READ_BIT));
    if (pixels != nullptr) {
        Hand(pixels, slot, take);
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void FrameReadback::Deliver(bool all, const Take& take) {
    const std::size_t keep = all ? 0 : 1;
    while (pending_ > keep) {
        Slot& oldest = slots_[(next_ + slots_.size() - pending_) % slots_.size()];
        --pending_;
        ReadOut(oldest, take);
    }
}

void FrameReadback::Release() {
    for (Slot& slot : slots_) {
        if (slot.done != nullptr) {
            glDeleteSync(slot.done);
        }
        if (slot.buffer != 0) {
            glDeleteBuffers(1, &slot.buffer);
        }
        slot = Slot();
    }
    next_ = 0;
    pending_ = 0;
}

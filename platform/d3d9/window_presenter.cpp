#include "platform/d3d9/window_presenter.h"

WindowPresenter::~WindowPresenter() {
    Release(false);
}

bool WindowPresenter::Prepare(SDL_Window* window) {
    if (context_.handle != nullptr && context_.window != window) {
        Release(false);
    }
    if (context_.handle == nullptr) {
        if (failed_ || !GlShareRoot::CreateSharedContext(GlShareGroup::System, window, &context_)) {
            failed_ = true;
            return false;
        }
    }
    GlShareRoot::MakeCurrent(context_);
    return true;
}

bool WindowPresenter::Show(SDL_Window* window, const unsigned char* rgba, int width, int height) {
    if (window == nullptr || rgba == nullptr || width <= 0 || height <= 0 || !Prepare(window)) {
        return false;
    }
    if (texture_ == 0) {
        glGenTextures(1, &texture_);
        glGenFramebuffers(1, &framebuffer_);
    }
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (width != textureWidth_ || height != textureHeight_) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        textureWidth_ = width;
        textureHeight_ = height;
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    glBlitFramebuffer(0, 0, width, height, 0, 0, drawableWidth, drawableHeight, GL_COLOR_BUFFER_BIT,
                      width == drawableWidth && height == drawableHeight ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(window);
    return true;
}

void WindowPresenter::SetSwapInterval(SDL_Window* window, int interval) {
    if (window != nullptr && Prepare(window)) {
        SDL_GL_SetSwapInterval(interval);
    }
}

void WindowPresenter::Release(bool windowAlive) {
    if (context_.handle == nullptr) {
        return;
    }
    if (windowAlive) {
        GlShareRoot::MakeCurrent(context_);
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteTextures(1, &texture_);
    } else if (texture_ != 0) {
        // The framebuffer goes with the context; the texture is the group's.
        GlShareRoot::WithRootCurrent(GlShareGroup::System, [this] { glDeleteTextures(1, &texture_); });
    }
    texture_ = framebuffer_ = 0;
    textureWidth_ = textureHeight_ = 0;
    GlShareRoot::DestroyContext(&context_);
}
